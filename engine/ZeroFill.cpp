#include "engine/ZeroFill.h"

#include "engine/EraseNames.h"
#include "engine/Handles.h"

void ZeroFill(HANDLE file, uint64_t count) {
  const char zeros[kZeroChunk] = {};
  DWORD written = 0;
  while (count > kZeroChunk) {
    WriteFile(file, zeros, kZeroChunk, &written, nullptr);
    count -= kZeroChunk;
  }
  if (count > 0) WriteFile(file, zeros, static_cast<DWORD>(count), &written, nullptr);
}

bool ZeroFillFrom(const std::string& path, uint64_t offset) {
  // Opening a link opens its target, which lies outside whatever is being
  // erased. A path whose attributes cannot be read is not opened either.
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return false;

  // Write sharing lets a file that another program holds open (allowing
  // writes) be overwritten; OPEN_EXISTING never creates a file.
  CFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;

  // The whole 64-bit size and a 64-bit position: a file of 4 GiB or more is
  // overwritten to its end, not to the low 32 bits of its size. Without the
  // size, or at an unknown position, nothing is written: zeros at the wrong
  // place would destroy the header that is to be kept.
  LARGE_INTEGER size;
  LARGE_INTEGER start;
  start.QuadPart = static_cast<LONGLONG>(offset);
  if (GetFileSizeEx(file.Get(), &size) &&
      SetFilePointerEx(file.Get(), start, nullptr, FILE_BEGIN) &&
      static_cast<uint64_t>(size.QuadPart) > offset) {
    ZeroFill(file.Get(), static_cast<uint64_t>(size.QuadPart) - offset);
  }

  // Zeros still in the cache when the file is deleted are dropped unwritten,
  // leaving the old data on the disk. The flush's result changes nothing.
  FlushFileBuffers(file.Get());
  return true;
}
