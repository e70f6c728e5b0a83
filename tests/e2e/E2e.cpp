#include "tests/e2e/E2e.h"

#include <cstdlib>

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
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    ADD_FAILURE() << "cannot start " << line << ": " << GetLastError();
    return 0xFFFFFFFF;
  }
  DWORD waited = WaitForSingleObject(process.hProcess, 120000);
  EXPECT_EQ(waited, WAIT_OBJECT_0) << "tidewisp.exe did not end";
  DWORD code = 0xFFFFFFFF;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

void E2eTest::SetSetting(const char* name, const std::string& text) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
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

void E2eTest::MakeDirs(const std::string& path) {
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
    CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  CreateDirectoryA(path.c_str(), nullptr);
}

void E2eTest::SeedFile(const std::string& path, const std::string& contents) {
  MakeDirs(path.substr(0, path.find_last_of('\\')));
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path << " " << GetLastError();
  DWORD written;
  WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
  CloseHandle(file);
}

bool E2eTest::FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
