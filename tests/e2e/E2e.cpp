#include "tests/e2e/E2e.h"

#include "tests/support/Process.h"

#include <cstdlib>

#include "tests/support/Win32Test.h"

namespace {

const char kKey[] = "Software\\Marrowfield\\Tidewisp";

// ctest hands the program's path as a Unix path; Wine's drive Z: is the root.
std::string ExePath() {
  const char* path = std::getenv("TIDEWISP_EXE");
  if (!path) return "tidewisp.exe";
  std::string windows = path;
  if (!windows.empty() && windows[0] == '/') windows = "Z:" + windows;
  for (char& c : windows)
    if (c == '/') c = '\\';
  return windows;
}

}  // namespace

void E2eTest::SetUp() { SHDeleteKeyA(HKEY_CURRENT_USER, kKey); }
void E2eTest::TearDown() { SHDeleteKeyA(HKEY_CURRENT_USER, kKey); }

DWORD E2eTest::RunTidewisp(const std::string& arguments) {
  std::string line = "\"" + ExePath() + "\" " + arguments;
  DWORD code = 0xFFFFFFFF;
  if (!RunAndWait(line, 120000, &code)) {
    ADD_FAILURE() << "cannot start " << line << ": " << GetLastError();
    return 0xFFFFFFFF;
  }
  EXPECT_NE(code, static_cast<DWORD>(STILL_ACTIVE)) << "tidewisp.exe did not end";
  return code;
}

void E2eTest::SetSetting(const char* name, const std::string& text) {
  ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, kKey, name, text)) << name;
}

std::string E2eTest::Setting(const char* name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return "<absent>";
  char data[1024] = {};
  DWORD size = sizeof data - 1;
  LONG status = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? std::string(data) : "<absent>";
}

std::string E2eTest::WindowsDir() {
  char path[MAX_PATH];
  GetWindowsDirectoryA(path, MAX_PATH);
  return path;
}

std::string E2eTest::Folder(int csidl) {
  char path[MAX_PATH] = {};
  SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE);
  return path;
}

void E2eTest::SeedFile(const std::string& path, const std::string& contents) {
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
    CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  ASSERT_TRUE(WriteAll(path, contents)) << path << " " << GetLastError();
}

bool E2eTest::FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
