#include "bench/BareErase.h"

#include <cstdio>
#include <cstring>

#include "platform/win32.h"

namespace {

void EraseBelow(const char* folder) {
  char pattern[2 * MAX_PATH];
  std::snprintf(pattern, sizeof pattern, "%s\\*.*", folder);
  WIN32_FIND_DATAA record;
  HANDLE find = FindFirstFileA(pattern, &record);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const char* name = record.cFileName;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    char path[2 * MAX_PATH];
    std::snprintf(path, sizeof path, "%s\\%s", folder, name);
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
      SetFileAttributesA(path, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      EraseBelow(path);
      RemoveDirectoryA(path);
    } else {
      DeleteFileA(path);
    }
  } while (FindNextFileA(find, &record));
  FindClose(find);
}

}  // namespace

void BareErase(const char* folder) {
  GetFileAttributesA(folder);
  EraseBelow(folder);
}
