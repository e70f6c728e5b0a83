// What the erasers did during one run: the files they deleted, with their
// sizes, and the files they tried to delete or wipe and had to leave.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"

struct CEraseCount {
  uint64_t erased = 0;  // files deleted
  uint64_t bytes = 0;   // their sizes, from the listing or the overwrite
  uint64_t left = 0;    // files that stayed: in use, access denied, protected
};

// The run's count; the run resets it when it starts. One run at a time,
// on one thread, calls the erasers.
extern CEraseCount g_eraseCount;

// The stores of other programs (a browser's database, LevelDB folder or
// settings file) that a step found and had to leave as they were, with what
// it was to take out of them: a layout this program does not know, damage,
// or another program holding them. The run names each once in its summary;
// it resets the list when it starts.
extern std::vector<std::string> g_storesLeft;
inline void NoteStoreLeft(const std::string& path) {
  if (std::find(g_storesLeft.begin(), g_storesLeft.end(), path) == g_storesLeft.end())
    g_storesLeft.push_back(path);
}

// A name that was gone before the call could reach it (deleted meanwhile, or
// never there) is neither erased nor left.
inline bool IsGoneError(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Counts one DeleteFileA of a file of `size` bytes: its result as it came,
// and GetLastError only when it failed. Returns whether the file went.
inline bool CountDeletion(BOOL deleted, uint64_t size) {
  if (deleted) {
    ++g_eraseCount.erased;
    g_eraseCount.bytes += size;
  } else if (!IsGoneError(GetLastError())) {
    ++g_eraseCount.left;
  }
  return deleted != FALSE;
}

// The size a listing record gives.
inline uint64_t ListedSize(const WIN32_FIND_DATAA& record) {
  return (static_cast<uint64_t>(record.nFileSizeHigh) << 32) | record.nFileSizeLow;
}
