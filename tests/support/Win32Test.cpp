#include "tests/support/Win32Test.h"

#include <algorithm>
#include <cstdio>

bool UnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool WineAsRoot() {
  char value[8] = {};
  return UnderWine() && GetEnvironmentVariableA("TIDEWISP_WINE_ROOT", value, sizeof value) > 0 &&
         value[0] == '1';
}

std::string Unique(const char* prefix) {
  static int serial = 0;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  char text[64];
  std::snprintf(text, sizeof text, "%s%08lx%02d", prefix,
                static_cast<unsigned long>(now.dwLowDateTime), ++serial % 100);
  return text;
}

std::string ReadAll(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string all;
  static char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) all.append(buffer, got);
  CloseHandle(file);
  return all;
}

bool WriteAll(const std::string& path, const std::string& contents, DWORD attributes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  for (size_t at = 0; ok && at < contents.size();) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(contents.size() - at, 1 << 20)), written = 0;
    ok = WriteFile(file, contents.data() + at, chunk, &written, nullptr) && written == chunk;
    at += chunk;
  }
  CloseHandle(file);
  return ok && (!attributes || SetFileAttributesA(path.c_str(), attributes));
}

std::vector<std::string> Listing(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA record;
  HANDLE find = FindFirstFileA(pattern.c_str(), &record);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(record.cFileName);
  while (FindNextFileA(find, &record));
  FindClose(find);
  return names;
}

void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA record;
  HANDLE find = FindFirstFileA((path + "\\*.*").c_str(), &record);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = record.cFileName, child = path + "\\" + name;
      if (name == "." || name == "..") continue;
      bool link = (record.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      bool folder = (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (!link) SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (folder && !link) {
        RemoveTree(child);
      } else if (folder) {
        RemoveDirectoryA(child.c_str());
      } else {
        DeleteFileA(child.c_str());
      }
    } while (FindNextFileA(find, &record));
    FindClose(find);
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(path.c_str());
}

bool SetRegString(HKEY root, const std::string& key, const char* name, const std::string& text) {
  HKEY handle = nullptr;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS)
    return false;
  LONG status = RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                               static_cast<DWORD>(text.size() + 1));
  RegCloseKey(handle);
  return status == ERROR_SUCCESS;
}

bool RegKeyExists(HKEY root, const std::string& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

std::vector<CacheEntry> CacheEntries(bool deleteEach) {
  std::vector<CacheEntry> entries;
  DWORD size = 0;
  if (FindFirstUrlCacheEntryA(nullptr, nullptr, &size) ||
      GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    return entries;
  std::vector<char> block(size);
  auto* record = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(block.data());
  HANDLE walk = FindFirstUrlCacheEntryA(nullptr, record, &size);
  for (bool more = walk != nullptr; more;) {
    entries.push_back(CacheEntry{record->lpszSourceUrlName, record->CacheEntryType});
    if (deleteEach) DeleteUrlCacheEntryA(record->lpszSourceUrlName);
    size = 0;
    FindNextUrlCacheEntryA(walk, nullptr, &size);
    block.assign(size ? size : 1, 0);
    record = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(block.data());
    more = size && FindNextUrlCacheEntryA(walk, record, &size);
  }
  if (walk) FindCloseUrlCache(walk);
  return entries;
}

bool Cached(const std::string& part) {
  for (const CacheEntry& entry : CacheEntries())
    if (entry.url.find(part) != std::string::npos) return true;
  return false;
}
