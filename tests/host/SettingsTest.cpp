// Settings persistence: the value table, defaults, conversions and the
// failure paths of the settings key.
#include <string>

#include "profile/RegKey.h"
#include "profile/SettingsKey.h"
#include "profile/SweepProfile.h"
#include "tests/host/SimTest.h"

namespace {

const char kKey[] = "Software\\Marrowfield\\Tidewisp";
const std::string kNul(1, '\0');

class SettingsTest : public SimTest {};

TEST_F(SettingsTest, FirstStartGivesEveryDefaultSilently) {
  CSweepProfile profile;
  profile.Load();
  for (int i = 0; i < kFlagCount; ++i) EXPECT_EQ(profile.di[i], 0) << "di" << i;
  EXPECT_EQ(profile.when, 1);
  EXPECT_EQ(profile.lastErase, 0);
  EXPECT_TRUE(profile.fileList.empty());
  EXPECT_TRUE(profile.folderList.empty());
  EXPECT_TRUE(sim::MessageBoxes().empty());
  EXPECT_FALSE(sim::KeyExists(HKEY_CURRENT_USER, kKey)) << "loading must not create the key";
}

struct FlagCase {
  const char* what;
  DWORD type;
  std::string data;
  int expected;  // 7 is the default passed in
};

class ReadFlagTest : public SettingsTest, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(ReadFlagTest, ReadsOnlyTheFirstOfAtMostTwoBytes) {
  const FlagCase& c = GetParam();
  sim::SetValue(HKEY_CURRENT_USER, kKey, "di3", c.type, c.data);
  CSettingsKey key(kKey, 1);
  EXPECT_EQ(key.ReadFlag("DI3", 7), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Values, ReadFlagTest,
    ::testing::Values(FlagCase{"\"1\"", REG_SZ, "1" + kNul, 1},
                      FlagCase{"\"0\"", REG_SZ, "0" + kNul, 0},
                      FlagCase{"empty text", REG_SZ, kNul, 0},
                      FlagCase{"\"1\" without NUL", REG_SZ, "1", 1},
                      FlagCase{"\"2\"", REG_SZ, "2" + kNul, 0},
                      FlagCase{"\"10\"", REG_SZ, "10" + kNul, 7},
                      FlagCase{"\"1 \"", REG_SZ, "1 " + kNul, 7},
                      FlagCase{"REG_DWORD 1", REG_DWORD, std::string("\1\0\0\0", 4), 7},
                      FlagCase{"binary '1'", REG_BINARY, "1", 1},
                      FlagCase{"no data bytes", REG_SZ, "", 0}));

TEST_F(SettingsTest, AbsentFlagAndUnopenableKeyGiveTheDefault) {
  sim::SetString(HKEY_CURRENT_USER, kKey, "di1", "1");
  {
    CSettingsKey key(kKey, 1);
    EXPECT_EQ(key.ReadFlag("di2", 7), 7);
  }
  // Readable, but not with full access: the user gets the defaults.
  sim::DenyAccess(HKEY_CURRENT_USER, kKey, KEY_SET_VALUE);
  CSettingsKey key(kKey, 1);
  EXPECT_EQ(key.ReadFlag("di1", 7), 7);
}

struct LongCase {
  std::string data;
  LONG expected;  // -99 is the default passed in
};

class ReadLongTest : public SettingsTest, public ::testing::WithParamInterface<LongCase> {};

TEST_P(ReadLongTest, ConvertsAsAtolDoes) {
  sim::SetValue(HKEY_CURRENT_USER, kKey, "when", REG_SZ, GetParam().data);
  CSettingsKey key(kKey, 1);
  EXPECT_EQ(key.ReadLong("when", -99), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadLongTest,
    ::testing::Values(LongCase{"42" + kNul, 42}, LongCase{"  7" + kNul, 7},
                      LongCase{"\t 8" + kNul, 8}, LongCase{"-17" + kNul, -17},
                      LongCase{"+5" + kNul, 5}, LongCase{"12abc" + kNul, 12},
                      LongCase{"abc" + kNul, 0}, LongCase{kNul, 0}, LongCase{"", 0},
                      LongCase{"3" + kNul + "9", 3},
                      // 19 bytes fit, and saturate like the Windows runtime's atol.
                      LongCase{"123456789012345678" + kNul, 2147483647},
                      LongCase{"-12345678901234567" + kNul, -2147483647 - 1},
                      LongCase{"1234567890123456789", 2147483647},
                      // 20 bytes do not fit: the default.
                      LongCase{"1234567890123456789" + kNul, -99}));

TEST_F(SettingsTest, ListsSkipGapsAndIgnoreStaleEntries) {
  sim::SetString(HKEY_CURRENT_USER, kKey, "nFiles", "3");
  sim::SetString(HKEY_CURRENT_USER, kKey, "file0", "C:\\a.txt");
  sim::SetString(HKEY_CURRENT_USER, kKey, "file2", "C:\\c.txt");
  sim::SetString(HKEY_CURRENT_USER, kKey, "file3", "C:\\stale.txt");
  sim::SetString(HKEY_CURRENT_USER, kKey, "nFolders", "1");
  sim::SetString(HKEY_CURRENT_USER, kKey, "folder0", "D:\\x");

  CSweepProfile profile;
  profile.Load();
  EXPECT_EQ(profile.fileList, (Names{"C:\\a.txt", "C:\\c.txt"}));
  EXPECT_EQ(profile.folderList, (Names{"D:\\x"}));

  profile.Save();
  EXPECT_EQ(sim::ValueData(HKEY_CURRENT_USER, kKey, "nFiles"), "2" + kNul);
  EXPECT_EQ(sim::ValueData(HKEY_CURRENT_USER, kKey, "file1"), "C:\\c.txt" + kNul);
  EXPECT_EQ(sim::ValueData(HKEY_CURRENT_USER, kKey, "file2"), "C:\\c.txt" + kNul)
      << "entries past the count stay as they were";

  CSweepProfile again;
  again.Load();
  EXPECT_EQ(again.fileList, profile.fileList);
}

TEST_F(SettingsTest, CountsThatAreNotPositiveLoadNothing) {
  for (const char* count : {"-1", "", "none", "0"}) {
    sim::Reset();
    sim::SetString(HKEY_CURRENT_USER, kKey, "nFolders", count);
    sim::SetString(HKEY_CURRENT_USER, kKey, "folder0", "C:\\x");
    CSweepProfile profile;
    profile.Load();
    EXPECT_TRUE(profile.folderList.empty()) << "nFolders \"" << count << "\"";
  }
}

TEST_F(SettingsTest, EntriesLongerThan1023BytesAreSkipped) {
  sim::SetString(HKEY_CURRENT_USER, kKey, "nFiles", "2");
  sim::SetString(HKEY_CURRENT_USER, kKey, "file0", std::string(1022, 'a'));  // 1023 with NUL
  sim::SetString(HKEY_CURRENT_USER, kKey, "file1", std::string(1023, 'b'));  // 1024 with NUL
  CSweepProfile profile;
  profile.Load();
  ASSERT_EQ(profile.fileList.size(), 1u);
  EXPECT_EQ(profile.fileList[0], std::string(1022, 'a'));
}

TEST_F(SettingsTest, SaveWritesEveryValueInOrderAsText) {
  CSweepProfile profile;
  profile.di[0] = 1;
  profile.di[7] = 5;  // anything non-zero is stored as "1"
  profile.when = -3;
  profile.lastErase = 1234567890;
  profile.fileList = {"C:\\f"};
  profile.folderList = {"C:\\d1", "C:\\d2"};
  profile.Save();

  Names order;
  for (const auto& call : sim::CallsOf("RegSetValueExA")) {
    order.push_back(call.subject.substr(call.subject.rfind('\\') + 1));
    EXPECT_EQ(call.flags, static_cast<DWORD>(REG_SZ)) << call.subject;
  }
  Names expected;
  for (int i = 0; i < kFlagCount; ++i) expected.push_back("di" + std::to_string(i));
  for (const char* name : {"when", "lastErase", "nFiles", "file0", "nFolders", "folder0",
                           "folder1"})
    expected.push_back(name);
  EXPECT_EQ(order, expected);

  EXPECT_EQ(sim::ValueData(HKEY_CURRENT_USER, kKey, "di0"), "1" + kNul);
  EXPECT_EQ(sim::ValueData(HKEY_CURRENT_USER, kKey, "di7"), "1" + kNul);
  EXPECT_EQ(sim::ValueData(HKEY_CURRENT_USER, kKey, "di8"), "0" + kNul);
  EXPECT_EQ(sim::ValueData(HKEY_CURRENT_USER, kKey, "when"), "-3" + kNul);
  EXPECT_EQ(sim::ValueData(HKEY_CURRENT_USER, kKey, "lastErase"), "1234567890" + kNul);
  EXPECT_EQ(sim::ValueType(HKEY_CURRENT_USER, kKey, "folder1"), static_cast<DWORD>(REG_SZ));

  CSweepProfile loaded;
  loaded.Load();
  EXPECT_EQ(loaded.di[7], 1);
  EXPECT_EQ(loaded.when, -3);
  EXPECT_EQ(loaded.lastErase, 1234567890);
  EXPECT_EQ(loaded.folderList, profile.folderList);
}

TEST_F(SettingsTest, UncreatableKeyReportsOnceAndWritesNothingAnywhere) {
  sim::FailCall("RegCreateKeyExA", ERROR_ACCESS_DENIED);
  CSweepProfile profile;
  profile.di[1] = 1;
  profile.Save();

  auto boxes = sim::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Failed saving settings!");
  EXPECT_EQ(boxes[0].caption, "tidewisp");
  EXPECT_EQ(boxes[0].style, static_cast<UINT>(MB_OK));
  EXPECT_TRUE(sim::CallsOf("RegSetValueExA").empty());
  EXPECT_TRUE(sim::ValueNames(HKEY_CURRENT_USER, "").empty()) << "nothing lands in the root";

  profile.Save(false);
  EXPECT_EQ(sim::MessageBoxes().size(), 1u) << "a quiet save shows no message";
}

TEST_F(SettingsTest, UnopenableKeyNeverReadsTheRoot) {
  sim::SetString(HKEY_CURRENT_USER, "", "when", "9");
  sim::SetString(HKEY_CURRENT_USER, "", "di1", "1");
  sim::SetString(HKEY_CURRENT_USER, kKey, "when", "4");
  sim::DenyAccess(HKEY_CURRENT_USER, kKey, KEY_ALL_ACCESS);
  CSweepProfile profile;
  profile.Load();
  EXPECT_EQ(profile.when, 1);
  EXPECT_EQ(profile.di[1], 0);
  EXPECT_TRUE(sim::MessageBoxes().empty());
}

TEST_F(SettingsTest, RegKeyOpenReplacesOnlyOnSuccess) {
  sim::MakeKey(HKEY_CURRENT_USER, "Software\\A");
  CRegKey key;
  ASSERT_EQ(key.Open(HKEY_CURRENT_USER, "Software\\A", KEY_READ), ERROR_SUCCESS);
  HKEY first = key.Get();
  EXPECT_EQ(key.Open(HKEY_CURRENT_USER, "Software\\Missing", KEY_READ), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key.Get(), first) << "a failed open keeps the key held";
  EXPECT_TRUE(sim::CallsOf("RegCloseKey").empty());
  ASSERT_EQ(key.Open(HKEY_CURRENT_USER, "Software", KEY_READ), ERROR_SUCCESS);
  EXPECT_EQ(sim::CallsOf("RegCloseKey").size(), 1u) << "a successful open closes the old key";
  EXPECT_EQ(key.Close(), ERROR_SUCCESS);
  EXPECT_EQ(key.Close(), ERROR_SUCCESS) << "closing nothing is success";
}

}  // namespace
