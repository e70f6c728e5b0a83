#include "engine/RunContext.h"

#include <cstring>

#include "profile/RegKey.h"

bool CRunContext::SpecialFolder(int csidl) {
  return SHGetSpecialFolderPathA(nullptr, pathBuffer, csidl, FALSE) != FALSE;
}

bool CRunContext::TempFolder() {
  DWORD length = GetTempPathA(MAX_PATH, pathBuffer);
  return length >= 1 && length < MAX_PATH;
}

bool CRunContext::WindowsDirectory() {
  UINT length = GetWindowsDirectoryA(pathBuffer, MAX_PATH);
  return length >= 1 && length < MAX_PATH;
}

bool CRunContext::LookupAppFolder(HKEY root, const char* key, REGSAM access, const char* value,
                                  size_t cut, std::string& folder) {
  CRegKey app;
  if (app.Open(root, key, access) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD size = MAX_PATH;
  if (RegQueryValueExA(app.Get(), value, nullptr, &type, reinterpret_cast<BYTE*>(pathBuffer),
                       &size) != ERROR_SUCCESS)
    return false;
  // The registry type is not looked at, and a value stored without its NUL
  // may fill the whole buffer: the text ends at the first NUL inside the
  // bytes read, and a text that leaves no room for one is not a path.
  size_t length = strnlen(pathBuffer, size);
  if (length >= MAX_PATH) return false;
  pathBuffer[length] = '\0';
  if (length <= cut) return false;
  folder.assign(pathBuffer, length - cut);
  return true;
}
