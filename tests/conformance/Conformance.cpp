#include "tests/conformance/Conformance.h"

void Conformance::SetUp() {
  PrepareMachine();
  char temp[MAX_PATH];
  DWORD length = GetTempPathA(MAX_PATH, temp);
  ASSERT_TRUE(length > 0 && length < MAX_PATH) << length;
  std::string unique = Unique("");
  dir_ = std::string(temp) + "twconf" + unique;
  ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)) << dir_ << " error " << GetLastError();
  key_ = "Software\\TidewispConformance\\" + unique;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &scratch_, nullptr),
            ERROR_SUCCESS)
      << key_;
}

void Conformance::TearDown() {
  if (scratch_) RegCloseKey(scratch_);
  RemoveTree(dir_);
  SHDeleteKeyA(HKEY_CURRENT_USER, key_.c_str());
}

void Conformance::MakeDir(const std::string& name) {
  ASSERT_TRUE(CreateDirectoryA(Path(name).c_str(), nullptr))
      << Path(name) << " error " << GetLastError();
}

void Conformance::MakeFile(const std::string& name, const std::string& contents, DWORD attributes) {
  ASSERT_TRUE(WriteAll(Path(name), contents, attributes)) << Path(name) << " " << GetLastError();
}

LONG Conformance::MakeKey(const char* name) {
  HKEY key = nullptr;
  LONG status =
      RegCreateKeyExA(scratch_, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (status == ERROR_SUCCESS) RegCloseKey(key);
  return status;
}

bool Conformance::KeyExists(const char* name) {
  HKEY key = nullptr;
  LONG status = RegOpenKeyExA(scratch_, name, 0, KEY_READ, &key);
  if (status == ERROR_SUCCESS) RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

Names Conformance::SubKeys(HKEY key) {
  Names names;
  char name[256];
  for (DWORD i = 0, size = sizeof name;
       RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++i, size = sizeof name)
    names.push_back(name);
  return names;
}
