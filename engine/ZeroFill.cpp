#include "engine/ZeroFill.h"

#include "engine/EraseNames.h"
#include "engine/Handles.h"
#include "engine/Stop.h"

BOOL(WINAPI* g_zeroFillWrite)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) = WriteFile;

bool ZeroFill(HANDLE file, uint64_t count) {
  const char zeros[kZeroChunk] = {};
  bool complete = true;
  while (count > 0) {
    // A big file takes a while: a stopped run leaves the rest unwritten.
    if (StopRequested()) return false;
    DWORD chunk = count > kZeroChunk ? kZeroChunk : static_cast<DWORD>(count);
    DWORD written = 0;
    if (!g_zeroFillWrite(file, zeros, chunk, &written, nullptr) || written != chunk) {
      // The next chunk goes where it belongs, not over what this one missed.
      LARGE_INTEGER rest;
      rest.QuadPart = chunk - (written <= chunk ? written : chunk);
      SetFilePointerEx(file, rest, nullptr, FILE_CURRENT);
      complete = false;
    }
    count -= chunk;
  }
  return complete;
}

DWORD ZeroFillFrom(const std::string& path, uint64_t offset, uint64_t* size) {
  // The link itself is opened, never its target, and what was opened is
  // checked afterwards: checking the name first and opening it next would
  // write through a link put there in between. Write sharing lets a file
  // that another program holds open (allowing writes) be overwritten;
  // OPEN_EXISTING never creates a file.
  CFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.IsValid()) return GetLastError();
  BY_HANDLE_FILE_INFORMATION opened;
  if (!GetFileInformationByHandle(file.Get(), &opened) ||
      (opened.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return ERROR_CANT_ACCESS_FILE;

  // The whole 64-bit size and a 64-bit position: a file of 4 GiB or more is
  // overwritten to its end, not to the low 32 bits of its size. Without the
  // size, or at an unknown position, nothing is written: zeros at the wrong
  // place would destroy the header that is to be kept.
  LARGE_INTEGER length;
  LARGE_INTEGER start;
  start.QuadPart = static_cast<LONGLONG>(offset);
  bool complete = GetFileSizeEx(file.Get(), &length) &&
                  SetFilePointerEx(file.Get(), start, nullptr, FILE_BEGIN);
  if (complete && static_cast<uint64_t>(length.QuadPart) > offset)
    complete = ZeroFill(file.Get(), static_cast<uint64_t>(length.QuadPart) - offset);

  // Zeros still in the cache when the file is deleted are dropped unwritten,
  // leaving the old data on the disk. The flush's result changes nothing.
  FlushFileBuffers(file.Get());
  if (!complete) return StopRequested() ? ERROR_CANCELLED : ERROR_WRITE_FAULT;
  if (size) *size = static_cast<uint64_t>(length.QuadPart);
  return ERROR_SUCCESS;
}
