#include "engine/EraseCount.h"
#include "engine/Primitives.h"
#include "engine/ZeroFill.h"

EraseResult WipeFile(const std::string& path) {
  // A file that cannot be opened for writing (read-only, locked, a link), or
  // whose zeros did not all land, is not deleted: deleting it unwiped would
  // look like a wipe.
  uint64_t size = 0;
  DWORD status = ZeroFillFrom(path, 0, &size);
  if (status != ERROR_SUCCESS) {
    if (IsGoneError(status)) return EraseResult::kMissing;
    if (status == ERROR_CANCELLED) return EraseResult::kStopped;
    ++g_eraseCount.left;
    return EraseResult::kLeft;
  }
  if (CountDeletion(DeleteFileA(path.c_str()), size)) return EraseResult::kErased;
  return IsGoneError(GetLastError()) ? EraseResult::kMissing : EraseResult::kLeft;
}

EraseResult DeleteNamedFile(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
    // Anything but a missing name is for the deletion to answer.
    if (IsGoneError(GetLastError())) return EraseResult::kMissing;
  } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    return EraseResult::kMissing;
  }
  uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  if (CountDeletion(DeleteFileA(path.c_str()), size)) return EraseResult::kErased;
  return IsGoneError(GetLastError()) ? EraseResult::kMissing : EraseResult::kLeft;
}
