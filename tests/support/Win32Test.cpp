#include "tests/support/Win32Test.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "engine/Primitives.h"
#include "tests/support/Process.h"

namespace {

// The Unix path of a path on C:, quoted (wine-run.sh hands WINEPREFIX on).
std::string UnixPath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return "\"" + std::string(getenv("WINEPREFIX")) + "/drive_c" + path.substr(2) + "\"";
}

// Wine starts a Unix program without a process to wait on: poll for its effect.
bool AwaitLink(const std::string& path, bool there) {
  for (int i = 0; i < 100; ++i, Sleep(50))
    if ((Exists(path) && (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT)) ==
        there)
      return true;
  return false;
}

}  // namespace

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
  EraseFolderContents(path, 1, 0);  // the eraser under test: no link is entered
  RemoveDirectoryA(path.c_str());
}

bool SetRegString(HKEY root, const std::string& key, const char* name, const std::string& text,
                  REGSAM view) {
  HKEY handle = nullptr;
  bool set = !RegCreateKeyExA(root, key.c_str(), 0, 0, 0, KEY_ALL_ACCESS | view, 0, &handle, 0) &&
             !RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1));
  RegCloseKey(handle);
  return set;
}

std::string StoredSetting(const char* name) {
  std::string data(1 << 16, '\0');
  DWORD size = static_cast<DWORD>(data.size());
  return RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_SZ, 0, &data[0], &size)
             ? "<absent>"
             : data.substr(0, size);
}

void MakeSettingsUnsavable() {
  HKEY parent;
  SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Marrowfield");
  RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Marrowfield", 0, 0, REG_OPTION_VOLATILE,
                  KEY_ALL_ACCESS, 0, &parent, 0);
  RegCloseKey(parent);
}

void ScratchTest::SetUp() {
  static int serial = 0;
  dir_ = "C:\\twtest\\" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
  SHCreateDirectoryExA(nullptr, dir_.c_str(), nullptr);
}

void ScratchTest::TearDown() {
  // The link goes first, from the Unix side: under Wine, RemoveDirectoryA on
  // a link to an empty folder removes that folder instead.
  if (!link_.empty()) {
    RunAndWait("Z:\\bin\\rm -f " + UnixPath(link_), 10000);
    EXPECT_TRUE(AwaitLink(link_, false)) << link_ << " stays";
  }
  RemoveTree(dir_);
  if (!outside_.empty()) RemoveTree(outside_);
}

std::string ScratchTest::MakeLinkOut(
    const std::string& name, const std::vector<std::pair<std::string, std::string>>& files) {
  outside_ = dir_ + "-outside";
  for (const auto& file : files) EXPECT_TRUE(WriteAll(outside_ + "\\" + file.first, file.second));
  link_ = Path(name);
  SHCreateDirectoryExA(nullptr, link_.substr(0, link_.rfind('\\')).c_str(), nullptr);
  // Wine 8's CreateSymbolicLinkA answers TRUE and makes nothing; ln makes the
  // link the way a prefix's Documents leads to the home directory.
  RunAndWait("Z:\\bin\\ln -s " + UnixPath(outside_) + " " + UnixPath(link_), 10000);
  return AwaitLink(link_, true) ? outside_ : "";
}
