// Settings on the real registry: what each stored form loads as, what a save
// writes, and a settings key that cannot be created.
#include "profile/SweepProfile.h"
#include "tests/support/Win32Test.h"

namespace {

std::string Z(const std::string& text) { return text + '\0'; }  // with its NUL

struct Value {
  const char* name;
  std::string data;
  DWORD type = REG_SZ;
};

struct LoadRow {
  const char* what;
  std::vector<Value> stored;
  std::string loaded;  // as Loaded says it
};

// di3, when and lastErase as loaded, then each file followed by "|".
std::string Loaded(const CSweepProfile& profile) {
  std::string all = std::to_string(profile.di[3]) + " " + std::to_string(profile.when) + " " +
                    std::to_string(profile.lastErase) + " ";
  for (const auto& entry : profile.fileList) all += entry + "|";
  return all;
}

class Settings : public ::testing::Test, FreshSettings {};

TEST_F(Settings, EachStoredFormLoadsAsItShould) {
  const std::string longest(1022, 'a');  // 1023 bytes with its NUL
  // clang-format off
  const LoadRow rows[] = {
      {"nothing stored", {}, "0 1 0 "},
      {"flag \"1\" without its NUL", {{"di3", "1"}}, "1 1 0 "},
      {"flag \"2\"", {{"di3", Z("2")}}, "0 1 0 "},
      {"flag of 3 bytes", {{"di3", Z("1 ")}}, "0 1 0 "},
      {"when after blanks and a sign", {{"when", Z(" \t-3")}}, "0 -3 0 "},
      {"when before letters", {{"when", Z("+12days")}}, "0 12 0 "},
      {"when of letters", {{"when", Z("abc")}}, "0 0 0 "},
      {"when ends at its NUL", {{"when", std::string("3\0" "9", 3)}}, "0 3 0 "},
      {"when saturates", {{"when", Z("123456789012345678")}}, "0 2147483647 0 "},
      {"when of 20 bytes", {{"when", Z("1234567890123456789")}}, "0 1 0 "},
      {"lastErase after 2038", {{"lastErase", Z("4102444800")}}, "0 1 4102444800 "},
      {"gaps skipped, stale entries ignored",
       {{"nFiles", Z("3")}, {"file0", Z("a")}, {"file2", Z("c")}, {"file3", Z("old")}},
       "0 1 0 a|c|"},
      {"in index order, any case",
       {{"nFiles", Z("20")}, {"FILE10", Z("k")}, {"file2", Z("b")}}, "0 1 0 b|k|"},
      {"a count of two billion", {{"nFiles", Z("2147483647")}, {"file0", Z("a")},
       {"file05", Z("x")}, {"file-1", Z("y")}, {"file7", Z("h")}}, "0 1 0 a|h|"},
      {"negative count", {{"nFiles", Z("-1")}, {"file0", Z("a")}}, "0 1 0 "},
      {"entries of 1023 bytes fit, 1024 do not",
       {{"nFiles", Z("2")}, {"file0", Z(longest)}, {"file1", Z(longest + "b")}},
       "0 1 0 " + longest + "|"}};
  // clang-format on
  for (const LoadRow& row : rows) {
    SHDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    for (const Value& value : row.stored)
      ASSERT_FALSE(RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, value.name, value.type,
                                   value.data.data(), static_cast<DWORD>(value.data.size())));
    CSweepProfile profile;
    profile.Load();
    EXPECT_EQ(Loaded(profile), row.loaded) << row.what;
  }
}

TEST_F(Settings, SaveWritesTextAndLeavesStaleEntries) {
  CSweepProfile profile;
  profile.di[5] = 7, profile.when = -3, profile.lastErase = 4102444800;
  profile.fileList = {"C:\\a", "C:\\b", "C:\\c"};
  profile.Save();
  profile.fileList.pop_back();
  profile.Save();

  // clang-format off
  for (const auto& [name, text] : {std::pair{"di5", "1"}, {"di6", "0"}, {"when", "-3"},
                                   {"lastErase", "4102444800"}, {"nFiles", "2"}, {"file2", "C:\\c"}})
    // clang-format on
    EXPECT_EQ(StoredSetting(name), Z(text)) << name << " (entries past the count stay, unread)";
  CSweepProfile loaded;
  loaded.Load();
  EXPECT_EQ(loaded.fileList, profile.fileList);
}

TEST_F(Settings, AKeyThatCannotBeCreatedIsReportedAndNothingLandsElsewhere) {
  MakeSettingsUnsavable(), AnswerNextBox(IDOK);
  CSweepProfile profile;
  profile.Save();
  profile.Save(false);  // the silent save of a scheduled start

  auto boxes = TakeShownBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Failed saving settings!");
  EXPECT_EQ(boxes[0].caption, "tidewisp_tests") << "the program's name";
  EXPECT_EQ(StoredSetting("when"), "<absent>");
  EXPECT_TRUE(RegQueryValueExA(HKEY_CURRENT_USER, "when", 0, 0, 0, 0)) << "nothing in the root";
}

}  // namespace
