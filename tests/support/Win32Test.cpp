#include "tests/support/Win32Test.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "engine/Primitives.h"

bool UnderWine() {
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

bool WineAsRoot() {
  char value[8] = {};
  return UnderWine() && GetEnvironmentVariableA("TIDEWISP_WINE_ROOT", value, 8) && *value == '1';
}

std::string Unique(const char* prefix) {
  static int serial = 0;
  return prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "<missing>";
}

bool WriteAll(const std::string& path, const std::string& contents, DWORD attributes) {
  SHCreateDirectoryExA(nullptr, path.substr(0, path.rfind('\\')).c_str(), nullptr);
  std::ofstream file(path, std::ios::binary);
  file << contents;
  file.close();
  return file && (!attributes || SetFileAttributesA(path.c_str(), attributes));
}

void RemoveTree(const std::string& path) {
  // The eraser under test does it: no link is entered, read-only bits go.
  EraseFolderContents(path, 1, 0);
  RemoveDirectoryA(path.c_str());
}

bool SetRegString(HKEY root, const std::string& key, const char* name, const std::string& text,
                  REGSAM view) {
  HKEY handle = nullptr;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &handle,
                      nullptr))
    return false;
  LONG status = RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                               static_cast<DWORD>(text.size() + 1));
  RegCloseKey(handle);
  return status == ERROR_SUCCESS;
}
