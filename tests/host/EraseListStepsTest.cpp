// The run's two user lists: each listed file wiped, each listed folder
// emptied and removed, one progress line per entry, files before folders.
#include "profile/SweepProfile.h"
#include "tests/host/SimTest.h"

namespace {

class ListStepsTest : public SimTest {
 protected:
  Names ListLines() {
    Names lines;
    for (const std::string& line : view_.lines)
      if (line == "Wiping Selected Files..." || line == "Erasing Selected Folders...")
        lines.push_back(line);
    return lines;
  }
  CSweepProfile profile_;
};

// A read-only file is left untouched, a folder keeps its desktop.ini; a
// missing entry still has its line, and a listed file inside a listed folder
// is zeroed before the folder goes.
TEST_F(ListStepsTest, WipesEachFileThenEmptiesAndRemovesEachFolder) {
  sim::MakeFile("C:\\d\\one.txt", std::string(15000, '1'));
  sim::MakeFile("C:\\d\\ro.txt", "read-only", FILE_ATTRIBUTE_READONLY);
  sim::MakeFile("C:\\f1\\secret.txt", std::string(30, 's'));
  sim::MakeFile("C:\\f1\\sub\\b.txt", "", FILE_ATTRIBUTE_READONLY);
  sim::MakeFile("C:\\f2\\desktop.ini", "[kept]");
  sim::MakeFile("C:\\f2\\c.txt");
  ASSERT_TRUE(CreateHardLinkA("C:\\seen1", "C:\\d\\one.txt", nullptr));
  ASSERT_TRUE(CreateHardLinkA("C:\\seen2", "C:\\f1\\secret.txt", nullptr));
  profile_.fileList = {"C:\\d\\one.txt", "C:\\d\\ro.txt", "C:\\f1\\secret.txt", "C:\\missing"};
  profile_.folderList = {"C:\\f1", "C:\\f2", "C:\\missing"};

  profile_.Run(kRunAllMask);

  Names expected(4, "Wiping Selected Files...");
  expected.insert(expected.end(), 3, "Erasing Selected Folders...");
  EXPECT_EQ(ListLines(), expected);
  EXPECT_EQ(sim::Tree("C:\\d"), Names{"C:\\d\\ro.txt"});
  EXPECT_EQ(sim::Contents("C:\\d\\ro.txt"), "read-only");
  EXPECT_TRUE(sim::BytesAre("C:\\seen1", 0, 0));
  EXPECT_TRUE(sim::BytesAre("C:\\seen2", 0, 0));
  EXPECT_EQ(WriteSizes(), (Sizes{10000, 5000, 30}));
  EXPECT_FALSE(sim::Exists("C:\\f1"));
  EXPECT_EQ(sim::Tree("C:\\f2"), Names{"C:\\f2\\desktop.ini"});
}

TEST_F(ListStepsTest, NeverErasesThroughAListedFolderThatIsALink) {
  sim::MakeFile("C:\\home\\thesis.doc", "years of work");
  sim::MakeLink("C:\\users\\user\\Documents\\Home", "C:\\home", true);
  profile_.folderList = {"C:\\users\\user\\Documents\\Home"};

  profile_.Run(kRunAllMask);

  EXPECT_EQ(sim::Contents("C:\\home\\thesis.doc"), "years of work");
}

TEST_F(ListStepsTest, RunWithoutTheListBitLeavesTheListsAlone) {
  sim::MakeFile("C:\\a", "data");
  sim::MakeFile("C:\\d\\x", "data");
  profile_.fileList = {"C:\\a"};
  profile_.folderList = {"C:\\d"};

  profile_.Run(15);

  EXPECT_EQ(view_.lines, (Names{"Start cleaning...", "Cleaning complete."}));
  EXPECT_TRUE(sim::Exists("C:\\a"));
  EXPECT_TRUE(sim::Exists("C:\\d\\x"));
}

}  // namespace
