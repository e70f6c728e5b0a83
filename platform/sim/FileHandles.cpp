// The simulated machine's calls on open file handles: sizes, the file
// pointer, reading, writing and closing.
#include "platform/sim/Files.h"

namespace sim {

namespace {

constexpr uint64_t kLow32 = 0xFFFFFFFFull;

BOOL Fail(DWORD status) {
  M().lastError = status;
  return FALSE;
}

// The position a move leads to, or false (last error set) when the method is
// unknown or the position would be before the start.
bool Move(const OpenFile& open, int64_t distance, DWORD method, int64_t* position) {
  int64_t base = 0;
  switch (method) {
    case FILE_BEGIN:
      base = 0;
      break;
    case FILE_CURRENT:
      base = static_cast<int64_t>(open.pointer);
      break;
    case FILE_END:
      base = static_cast<int64_t>(open.file->data.Size());
      break;
    default:
      return Fail(ERROR_INVALID_PARAMETER);
  }
  *position = base + distance;
  if (*position < 0) return Fail(ERROR_NEGATIVE_SEEK);
  return true;
}

}  // namespace

OpenFile* FileHandle(HANDLE handle) {
  auto found = M().files.find(handle);
  return found == M().files.end() ? nullptr : found->second.get();
}

std::string HandleSubject(HANDLE handle) {
  if (OpenFile* open = FileHandle(handle)) return open->path;
  auto find = M().finds.find(handle);
  if (find == M().finds.end()) return "";
  const FindState& state = *find->second;
  bool root = !state.dirPath.empty() && state.dirPath.back() == '\\';
  return state.dirPath + (root ? "" : "\\") + state.pattern;
}

void CloseFile(HANDLE handle) {
  auto found = M().files.find(handle);
  if (found == M().files.end()) return;
  auto& opens = found->second->file->opens;
  for (auto at = opens.begin(); at != opens.end(); ++at) {
    if (*at == found->second.get()) {
      opens.erase(at);
      break;
    }
  }
  M().files.erase(found);
}

}  // namespace sim

using namespace sim;

extern "C" {

DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
  if (Enter("GetFileSize", HandleSubject(hFile))) return INVALID_FILE_SIZE;
  OpenFile* open = FileHandle(hFile);
  if (!open) {
    Fail(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  uint64_t size = open->file->data.Size();
  if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
  DWORD low = static_cast<DWORD>(size & kLow32);
  // A size whose low part reads as INVALID_FILE_SIZE is told apart by the error.
  if (low == INVALID_FILE_SIZE) M().lastError = NO_ERROR;
  return low;
}

BOOL WINAPI GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize) {
  if (Enter("GetFileSizeEx", HandleSubject(hFile))) return FALSE;
  OpenFile* open = FileHandle(hFile);
  if (!open) return Fail(ERROR_INVALID_HANDLE);
  lpFileSize->QuadPart = static_cast<LONGLONG>(open->file->data.Size());
  return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                            DWORD dwMoveMethod) {
  if (Enter("SetFilePointer", HandleSubject(hFile), 0, dwMoveMethod))
    return INVALID_SET_FILE_POINTER;
  OpenFile* open = FileHandle(hFile);
  if (!open) {
    Fail(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  // Without the high word the distance is a signed 32-bit number, and the
  // new position must fit in 32 bits.
  int64_t distance = lDistanceToMove;
  if (lpDistanceToMoveHigh) {
    distance = static_cast<int64_t>(
        (static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
        static_cast<uint32_t>(lDistanceToMove));
  }
  int64_t position = 0;
  if (!Move(*open, distance, dwMoveMethod, &position)) return INVALID_SET_FILE_POINTER;
  if (!lpDistanceToMoveHigh && static_cast<uint64_t>(position) > kLow32) {
    Fail(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  open->pointer = static_cast<uint64_t>(position);
  if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(position >> 32);
  DWORD low = static_cast<DWORD>(open->pointer & kLow32);
  if (low == INVALID_SET_FILE_POINTER) M().lastError = NO_ERROR;
  return low;
}

BOOL WINAPI SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove,
                             PLARGE_INTEGER lpNewFilePointer, DWORD dwMoveMethod) {
  if (Enter("SetFilePointerEx", HandleSubject(hFile), 0, dwMoveMethod)) return FALSE;
  OpenFile* open = FileHandle(hFile);
  if (!open) return Fail(ERROR_INVALID_HANDLE);
  int64_t position = 0;
  if (!Move(*open, liDistanceToMove.QuadPart, dwMoveMethod, &position)) return FALSE;
  open->pointer = static_cast<uint64_t>(position);
  if (lpNewFilePointer) lpNewFilePointer->QuadPart = position;
  return TRUE;
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, LPOVERLAPPED) {
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
  if (Enter("ReadFile", HandleSubject(hFile), nNumberOfBytesToRead)) return FALSE;
  OpenFile* open = FileHandle(hFile);
  if (!open) return Fail(ERROR_INVALID_HANDLE);
  if (!ReadAccess(open->access)) return Fail(ERROR_ACCESS_DENIED);
  if (open->directory) return Fail(ERROR_INVALID_FUNCTION);
  const FileData& data = open->file->data;
  uint64_t available = open->pointer < data.Size() ? data.Size() - open->pointer : 0;
  uint64_t count = nNumberOfBytesToRead < available ? nNumberOfBytesToRead : available;
  data.Read(open->pointer, static_cast<uint8_t*>(lpBuffer), count);
  open->pointer += count;
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = static_cast<DWORD>(count);
  return TRUE;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                      LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED) {
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
  if (Enter("WriteFile", HandleSubject(hFile), nNumberOfBytesToWrite)) return FALSE;
  OpenFile* open = FileHandle(hFile);
  if (!open) return Fail(ERROR_INVALID_HANDLE);
  if (!WriteAccess(open->access)) return Fail(ERROR_ACCESS_DENIED);
  if (open->directory) return Fail(ERROR_INVALID_FUNCTION);
  // Writing past the end extends the file; the gap reads as zeros.
  open->file->data.Write(open->pointer, static_cast<const uint8_t*>(lpBuffer),
                         nNumberOfBytesToWrite);
  open->pointer += nNumberOfBytesToWrite;
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = nNumberOfBytesToWrite;
  return TRUE;
}

BOOL WINAPI FlushFileBuffers(HANDLE hFile) {
  if (Enter("FlushFileBuffers", HandleSubject(hFile))) return FALSE;
  OpenFile* open = FileHandle(hFile);
  if (!open) return Fail(ERROR_INVALID_HANDLE);
  if (!WriteAccess(open->access)) return Fail(ERROR_ACCESS_DENIED);
  return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
  if (Enter("CloseHandle", HandleSubject(hObject))) return FALSE;
  if (FileHandle(hObject)) {
    CloseFile(hObject);
    return TRUE;
  }
  // A listing is closed with FindClose; CloseHandle does not know it.
  if (M().finds.count(hObject) || !CloseOtherHandle(hObject)) return Fail(ERROR_INVALID_HANDLE);
  return TRUE;
}

}  // extern "C"
