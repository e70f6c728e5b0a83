// Settings persistence on the real registry.
#include <gtest/gtest.h>

#include <string>

#include "profile/SettingsKey.h"
#include "profile/SweepProfile.h"

namespace {

const char kKey[] = "Software\\Marrowfield\\Tidewisp";

class SettingsWine : public ::testing::Test {
 protected:
  void SetUp() override { SHDeleteKeyA(HKEY_CURRENT_USER, kKey); }
  void TearDown() override { SHDeleteKeyA(HKEY_CURRENT_USER, kKey); }

  std::string Raw(const char* name, DWORD* type = nullptr) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
      return "<no key>";
    char data[2048];
    DWORD size = sizeof data, kind = 0;
    LONG status = RegQueryValueExA(key, name, nullptr, &kind, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (type) *type = kind;
    return status == ERROR_SUCCESS ? std::string(data, size) : "<absent>";
  }
};

TEST_F(SettingsWine, RoundTripThroughTheRealRegistry) {
  CSweepProfile profile;
  profile.di[3] = 1;
  profile.di[21] = 1;
  profile.when = 7;
  profile.lastErase = 1700000123;
  profile.fileList = {"C:\\one.txt", "C:\\two.txt", "C:\\three.txt"};
  profile.folderList = {"C:\\Folder"};
  profile.Save();

  DWORD type = 0;
  EXPECT_EQ(Raw("di3", &type), std::string("1\0", 2));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(Raw("when"), std::string("7\0", 2));
  EXPECT_EQ(Raw("file2"), std::string("C:\\three.txt\0", 13));

  // The 2-, 19- and 1023-byte reads must take values that fit exactly.
  CSweepProfile loaded;
  loaded.Load();
  EXPECT_EQ(loaded.di[3], 1);
  EXPECT_EQ(loaded.di[4], 0);
  EXPECT_EQ(loaded.di[21], 1);
  EXPECT_EQ(loaded.when, 7);
  EXPECT_EQ(loaded.lastErase, 1700000123);
  EXPECT_EQ(loaded.fileList, profile.fileList);
  EXPECT_EQ(loaded.folderList, profile.folderList);

  // A shorter list leaves the stale entry in place, unread.
  loaded.fileList.pop_back();
  loaded.Save();
  EXPECT_EQ(Raw("nFiles"), std::string("2\0", 2));
  EXPECT_EQ(Raw("file2"), std::string("C:\\three.txt\0", 13));
  CSweepProfile again;
  again.Load();
  EXPECT_EQ(again.fileList.size(), 2u);
}

TEST_F(SettingsWine, ValuesOfTheWrongSizeGiveDefaults) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  DWORD one = 1;
  RegSetValueExA(key, "di1", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), sizeof one);
  RegSetValueExA(key, "di2", 0, REG_SZ, reinterpret_cast<const BYTE*>("10"), 3);
  RegSetValueExA(key, "di3", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 1);
  RegSetValueExA(key, "when", 0, REG_SZ, reinterpret_cast<const BYTE*>("  12days"), 9);
  std::string big(1023, 'x');
  RegSetValueExA(key, "nFiles", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
  RegSetValueExA(key, "file0", 0, REG_SZ, reinterpret_cast<const BYTE*>(big.c_str()), 1024);
  RegCloseKey(key);

  CSweepProfile profile;
  profile.Load();
  EXPECT_EQ(profile.di[1], 0) << "a 4-byte number does not fit 2 bytes";
  EXPECT_EQ(profile.di[2], 0);
  EXPECT_EQ(profile.di[3], 1) << "\"1\" stored without its NUL";
  EXPECT_EQ(profile.when, 12);
  EXPECT_TRUE(profile.fileList.empty()) << "1024 bytes do not fit 1023";
}

}  // namespace
