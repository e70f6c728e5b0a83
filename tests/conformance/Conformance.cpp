#include "tests/conformance/Conformance.h"

#include <cstdio>

namespace {

int g_serial = 0;

std::string Unique() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  char text[64];
  std::snprintf(text, sizeof text, "%08lx%02d", static_cast<unsigned long>(now.dwLowDateTime),
                ++g_serial % 100);
  return text;
}

}  // namespace

void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA record;
  HANDLE find = FindFirstFileA((path + "\\*.*").c_str(), &record);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = record.cFileName;
      if (name == "." || name == "..") continue;
      std::string child = path + "\\" + name;
      SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(record.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveTree(child);
      } else if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
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

void Conformance::SetUp() {
  PrepareMachine();
  char temp[MAX_PATH];
  DWORD length = GetTempPathA(MAX_PATH, temp);
  ASSERT_GT(length, 0u);
  ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
  std::string unique = Unique();
  dir_ = std::string(temp) + "twconf" + unique;
  ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)) << dir_ << " error " << GetLastError();
  key_ = "Software\\TidewispConformance\\" + unique;
}

void Conformance::TearDown() {
  RemoveTree(dir_);
  SHDeleteKeyA(HKEY_CURRENT_USER, key_.c_str());
}

void Conformance::MakeDir(const std::string& name) {
  ASSERT_TRUE(CreateDirectoryA(Path(name).c_str(), nullptr))
      << Path(name) << " error " << GetLastError();
}

void Conformance::MakeFile(const std::string& name, const std::string& contents,
                           DWORD attributes) {
  HANDLE file = CreateFileA(Path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << Path(name) << " error " << GetLastError();
  DWORD written = 0;
  if (!contents.empty()) {
    ASSERT_TRUE(WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written,
                          nullptr));
  }
  CloseHandle(file);
  if (attributes) {
    ASSERT_TRUE(SetFileAttributesA(Path(name).c_str(), attributes));
  }
}

std::string Conformance::ReadAll(const std::string& name) {
  HANDLE file = CreateFileA(Path(name).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string all;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) all.append(buffer, got);
  CloseHandle(file);
  return all;
}

bool Conformance::Exists(const std::string& name) {
  return GetFileAttributesA(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

HKEY Conformance::OpenScratchKey() {
  HKEY key = nullptr;
  LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &key, nullptr);
  EXPECT_EQ(status, ERROR_SUCCESS) << key_;
  return key;
}
