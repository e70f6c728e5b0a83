// The run's two user lists: each listed file wiped, each listed folder
// emptied and removed, one progress line per entry.
#include <string>
#include <vector>

#include "profile/SweepProfile.h"
#include "tests/host/EraseTestSupport.h"
#include "tests/host/SimTest.h"

namespace {

using Lines = std::vector<std::string>;
using Paths = std::vector<std::string>;

class ListStepsTest : public SimTest {
 protected:
  Lines ListLines() {
    Lines lines;
    for (const std::string& line : view_.lines)
      if (line == "Wiping Selected Files..." || line == "Erasing Selected Folders...")
        lines.push_back(line);
    return lines;
  }
  CSweepProfile profile_;
};

TEST_F(ListStepsTest, WipesEachListedFileAndLeavesAReadOnlyOneUntouched) {
  sim::MakeFile("C:\\d\\one.txt", std::string(15000, '1'));
  sim::MakeFile("C:\\d\\ro.txt", "read-only", FILE_ATTRIBUTE_READONLY);
  sim::MakeFile("C:\\d\\two.txt", std::string(30, '2'));
  ASSERT_TRUE(CreateHardLinkA("C:\\seen1", "C:\\d\\one.txt", nullptr));
  ASSERT_TRUE(CreateHardLinkA("C:\\seen2", "C:\\d\\two.txt", nullptr));
  profile_.fileList = {"C:\\d\\one.txt", "C:\\d\\ro.txt", "C:\\d\\two.txt"};

  profile_.Run(kRunAllMask);

  EXPECT_EQ(ListLines(), Lines(3, "Wiping Selected Files..."));
  EXPECT_EQ(sim::Tree("C:\\d"), Paths{"C:\\d\\ro.txt"});
  EXPECT_EQ(sim::Contents("C:\\d\\ro.txt"), "read-only");
  EXPECT_TRUE(sim::BytesAre("C:\\seen1", 0, 0));
  EXPECT_TRUE(sim::BytesAre("C:\\seen2", 0, 0));
  EXPECT_EQ(WriteSizes(), (Sizes{10000, 5000, 30}));
}

TEST_F(ListStepsTest, EmptiesAndRemovesEachListedFolderButOneKeepingADesktopIni) {
  sim::MakeFile("C:\\f1\\a.txt");
  sim::MakeFile("C:\\f1\\sub\\b.txt", "", FILE_ATTRIBUTE_READONLY);
  sim::MakeFile("C:\\f2\\desktop.ini", "[kept]");
  sim::MakeFile("C:\\f2\\c.txt");
  profile_.folderList = {"C:\\f1", "C:\\f2", "C:\\missing"};

  profile_.Run(kRunAllMask);

  EXPECT_EQ(ListLines(), Lines(3, "Erasing Selected Folders..."));
  EXPECT_FALSE(sim::Exists("C:\\f1"));
  EXPECT_EQ(sim::Tree("C:\\f2"), Paths{"C:\\f2\\desktop.ini"});
}

TEST_F(ListStepsTest, NeverErasesThroughAListedFolderThatIsALink) {
  sim::MakeFile("C:\\home\\thesis.doc", "years of work");
  sim::MakeLink("C:\\users\\user\\Documents\\Home", "C:\\home", true);
  profile_.folderList = {"C:\\users\\user\\Documents\\Home"};

  profile_.Run(kRunAllMask);

  EXPECT_EQ(sim::Contents("C:\\home\\thesis.doc"), "years of work");
}

TEST_F(ListStepsTest, WipesFilesBeforeErasingFolders) {
  // A listed file inside a listed folder is zeroed, not merely deleted.
  sim::MakeFile("C:\\f1\\secret.txt", std::string(100, 's'));
  ASSERT_TRUE(CreateHardLinkA("C:\\seen", "C:\\f1\\secret.txt", nullptr));
  profile_.fileList = {"C:\\f1\\secret.txt"};
  profile_.folderList = {"C:\\f1"};

  profile_.Run(kRunAllMask);

  EXPECT_EQ(ListLines(), (Lines{"Wiping Selected Files...", "Erasing Selected Folders..."}));
  EXPECT_TRUE(sim::BytesAre("C:\\seen", 0, 0));
  EXPECT_FALSE(sim::Exists("C:\\f1"));
}

}  // namespace
