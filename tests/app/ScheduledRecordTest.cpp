// The report a scheduled run leaves in the settings for the next interactive
// start: written by the real tidewisp.exe started with "auto", cut when long.
// (The main window's tests show it being shown once, and a damaged one dropped.)
#include "profile/ScheduledRecord.h"
#include "tests/support/Process.h"
#include "tests/support/Win32Test.h"

namespace {

const char kKey[] = "Software\\Marrowfield\\Tidewisp";

class ScheduledRecord : public ScratchTest {
 protected:
  void TearDown() override {
    SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Marrowfield");
    ScratchTest::TearDown();
  }
  // tidewisp.exe auto, with the schedule on, daily, and a listed file to wipe.
  void RunScheduled(const std::string& lastErase) {
    MakeFile("listed.txt", "trace");
    ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, kKey, "file0", Path("listed.txt")));
    for (auto [name, text] :
         {std::pair{"di21", "1"}, {"when", "1"}, {"nFiles", "1"}, {"lastErase", lastErase.c_str()}})
      ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, kKey, name, text));
    ASSERT_TRUE(RunAndWait(TidewispExe() + " auto", 60000));
  }
};

TEST_F(ScheduledRecord, ADueRunWritesItsReportAndOneNotDueKeepsTheLast) {
  RunScheduled("0");
  EXPECT_FALSE(Has("listed.txt")) << "the run was due";
  char today[64];
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, today, sizeof today);
  std::string record = StoredSetting("lastScheduledRun");
  EXPECT_EQ(record.rfind("Scheduled clean on " + std::string(today) + " at ", 0), 0u) << record;
  EXPECT_NE(record.find(":\r\nErased 1 file (5 bytes)."), std::string::npos) << record;

  ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, kKey, "lastScheduledRun", "earlier"));
  RunScheduled(std::to_string(time(nullptr)));
  EXPECT_TRUE(Has("listed.txt")) << "not due: nothing erased";
  EXPECT_EQ(StoredSetting("lastScheduledRun"), std::string("earlier", 8));
}

TEST(ScheduledRecordText, AReportOfManyPathsIsCutWithACount) {
  std::vector<std::string> report = {"Erased 3 files (1 KB)."};
  for (int i = 0; i < 2000; ++i)
    report.push_back("Not wiped (in use or protected): C:\\a\\long\\path\\" + std::to_string(i));
  std::string record = MakeScheduledRecord(SYSTEMTIME{2026, 12, 1, 7, 9, 14}, report);
  EXPECT_LT(record.size() + 1, kScheduledRecordLimit);
  size_t last = record.rfind("\r\n") + 2, shown = 0;
  for (size_t at = record.find("\r\n"); at != last - 2; at = record.find("\r\n", at + 2)) ++shown;
  EXPECT_EQ(record.substr(last), "... and " + std::to_string(report.size() - shown) + " more.");
  EXPECT_EQ(record.substr(0, record.find("\r\n")), "Scheduled clean on 12/7/2026 at 9:14 AM:")
      << "a US user's date and time";
}

}  // namespace
