// The two decisions of a start: scheduled or interactive, and whether a
// scheduled start cleans; the report a scheduled run leaves in the settings
// for the next interactive start, cut when long (the main window's tests show
// it shown once, and a damaged one dropped). Then the real tidewisp.exe
// started as the scheduler starts it ("auto"), and again while its window is
// open: one window stays, and what the user changed in it is not lost when it
// is closed (not by Enter).
#include "app/Schedule.h"
#include "app/StartMode.h"
#include "profile/ScheduledRecord.h"
#include "profile/SweepProfile.h"
#include "tests/support/Process.h"
#include "tests/support/Win32Test.h"
#include "tools/TidewispWindows.h"

namespace {

TEST(Start, OnlyTheLastFourBytesOfTheCommandLineCount) {
  // clang-format off
  const std::pair<const char*, bool> rows[] = {
      {"tidewisp.exe auto", true}, {"tidewisp.exe auto auto", true}, {"C:\\x\\autoauto", true},
      {"\"C:\\Program Files\\Tidewisp\\tidewisp.exe\" auto", true}, {"auto", true},
      {"tidewisp.exe AUTO", false}, {"tidewisp.exe auto ", false}, {"uto", false}, {"", false},
      {"\"C:\\auto\"", false}, {"tidewisp.exe autox", false}};
  // clang-format on
  for (const auto& [line, scheduled] : rows)
    EXPECT_EQ(IsScheduledStart(line), scheduled) << "[" << line << "]";
}

TEST(Start, AScheduledRunIsDueOnlyStrictlyPastTheInterval) {
  const LONGLONG now = 2000000000;
  const struct {
    const char* what;
    LONG scheduleOn, when;
    LONGLONG lastErase;
    bool due;
  } rows[] = {{"one day exactly", 1, 1, now - 86400, false},
              {"one day and a second", 1, 1, now - 86401, true},
              {"every start, same second", 1, 0, now, false},
              {"every start, a second later", 1, 0, now - 1, true},
              {"never ran", 1, 999, 0, true},
              {"last run in the future", 1, 0, now + 5, false},
              {"schedule off", 0, 0, 0, false},
              {"a huge interval does not wrap", 1, 30000, now - 86401, false},
              {"a stamp at the far past does not wrap", 1, 999, INT64_MIN, true}};
  for (const auto& row : rows)
    EXPECT_EQ(IsDue(row.scheduleOn, row.when, row.lastErase, now), row.due) << row.what;
}

// What RunIfDue hands the check: the schedule switch above all. Nothing is
// ticked and the lists are empty, so a run erases nothing; its stamp shows it.
TEST(Start, RunIfDueRunsOnlyWhenTheScheduleIsOn) {
  for (int on : {0, 1}) {
    CSweepProfile profile;
    profile.di[kSchedule] = on, profile.when = 0, profile.lastErase = 0;
    EXPECT_EQ(profile.RunIfDue(), on == 1) << "schedule " << on;
    EXPECT_EQ(profile.lastErase != 0, on == 1) << "schedule " << on;
  }
}

TEST(Start, AScheduledRunsReportOfManyPathsIsCutWithACount) {
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

class Started : public ScratchTest, FreshSettings {
 protected:
  // The schedule on, daily, last run at `lastErase`, with a listed file to wipe.
  void Schedule(const std::string& lastErase) {
    MakeFile("listed.txt", "trace");
    ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, kSettingsKey, "file0", Path("listed.txt")));
    for (auto [name, text] :
         {std::pair{"di21", "1"}, {"when", "1"}, {"nFiles", "1"}, {"lastErase", lastErase.c_str()}})
      ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, kSettingsKey, name, text));
  }
};

TEST_F(Started, ADueScheduledRunWritesItsReportAndOneNotDueKeepsTheLast) {
  Schedule("0");
  ASSERT_TRUE(RunAndWait(TidewispExe() + " auto", 60000));
  EXPECT_FALSE(Has("listed.txt")) << "the run was due";
  char today[64];
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, today, sizeof today);
  std::string record = StoredSetting("lastScheduledRun");
  EXPECT_EQ(record.rfind("Scheduled clean on " + std::string(today) + " at ", 0), 0u) << record;
  EXPECT_NE(record.find(":\r\nErased 1 file (5 bytes)."), std::string::npos) << record;

  ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, kSettingsKey, "lastScheduledRun", "earlier"));
  Schedule(std::to_string(time(nullptr)));
  ASSERT_TRUE(RunAndWait(TidewispExe() + " auto", 60000));
  EXPECT_TRUE(Has("listed.txt")) << "not due: nothing erased";
  EXPECT_EQ(StoredSetting("lastScheduledRun"), std::string("earlier", 8));
}

TEST_F(Started, AnotherStartLeavesOneWindowRestoredWithItsChanges) {
  Schedule("0");  // due: a scheduled start that ran would wipe the listed file
  HANDLE first = StartProgram(TidewispExe());
  HWND window = WaitFor(Which::kMain, 10000, GetProcessId(first)),
       box = PageControl(window, 1010, "Button");  // the Options page's first
  if (!box) TerminateProcess(first, 1);            // not left to the next test
  ASSERT_TRUE(box) << "no window within 10 s";
  SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);  // not saved until the window closes
  ShowWindow(window, SW_MINIMIZE);
  for (const char* mode : {"", " auto"}) {
    DWORD exitCode = STILL_ACTIVE;
    EXPECT_TRUE(RunAndWait(TidewispExe() + mode, 10000, &exitCode));
    EXPECT_EQ(exitCode, 0u) << "[" << mode << "] had to be ended";
  }
  EXPECT_TRUE(FindWindowA("#32770", "Tidewisp") == window &&
              !FindWindowExA(nullptr, window, "#32770", "Tidewisp"))
      << "one window";
  // Restored; which window is in front is not checked: Windows lets only the
  // start the user just made take the foreground, a rule a test cannot make.
  EXPECT_FALSE(IsIconic(window)) << "the open window was not restored";
  EXPECT_TRUE(Has("listed.txt")) << "the scheduled start ran";
  PostMessageA(window, WM_COMMAND, IDOK, 0);  // Enter inside a page
  EXPECT_EQ(WaitForSingleObject(first, 500), WAIT_TIMEOUT) << "Enter closed the program";
  EXPECT_TRUE(CloseAndWait(window, first, 10000));
  CloseHandle(first);
  EXPECT_EQ(StoredSetting("di0"), std::string("1", 2)) << "the first window's tick was lost";
}

}  // namespace
