// A browser that holds its profile with no window open, played by the
// stand-in browser (tests/stand-in-browser) installed where the browser is.
// Each row starts its stand-ins on the real profiles (BrowserData.h), runs
// History, and checks what the run asked and reported, how each stand-in
// ended, and that each History file was emptied or, if the row keeps it,
// left byte for byte. What Wine 8 does here as Windows does: a process's image
// path reads as the path it was started from, every process is in session 1,
// a minimized window is visible, and WM_ENDSESSION reaches a hidden window.
#include "engine/Stop.h"
#include "profile/SweepProfile.h"
#include "tests/support/BrowserData.h"
#include "tests/support/Process.h"
#include "tests/support/RunLog.h"
#include "tests/support/Win32Test.h"

namespace {

// clang-format off
const std::string kProgramFiles = ShellFolder(CSIDL_PROGRAM_FILES) + "\\Google",
    kProgramFilesX86 = ShellFolder(CSIDL_PROGRAM_FILESX86) + "\\Mozilla Firefox",
    kChromeExe = kProgramFiles + "\\Chrome\\Application\\chrome.exe",
    kCanaryExe = kLocal + "\\Google\\Chrome SxS\\Application\\chrome.exe",
    kFirefoxExe = kProgramFilesX86 + "\\firefox.exe",
    kElsewhereExe = "C:\\tw-elsewhere\\Google\\Chrome\\Application\\chrome.exe",
    kChromeLock = kChrome + "\\lockfile", kFirefoxLock = kRel + "\\parent.lock",
    kRelPlaces = kRel + "\\places.sqlite", kAbsPlaces = kAbsProfile + "\\places.sqlite",
    kOpen = " is open: close it to erase its traces.", kClosed = ", which was running in the background.",
    kAsk = " is running in the background, with no window open.\n\n"
           "Close it so that its traces can be erased?";
// clang-format on

struct StandIn {
  std::string exe, lock;
  std::string how;  // its window, its answer to the end of the session, more of its command line
  DWORD exit;       // 0: it exited when told; 1: it was terminated; STILL_ACTIVE: it runs on
};
struct Row {
  const char* name;
  std::vector<StandIn> standIns;
  int answer;  // IDYES or IDNO, or IDABORT: Yes, and Stop pressed meanwhile; 0: a scheduled run
  std::vector<std::string> asked;   // the browsers asked about
  std::vector<std::string> report;  // the report's lines about browsers
  std::vector<std::string> kept;    // History files left as they were
};
void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

class BackgroundBrowsers : public ::testing::TestWithParam<Row>, public RunLog {
 protected:
  void SetUp() override { yes_ = GetParam().answer != IDNO, PlaceBrowserProfiles(); }
  // Each stand-in, and any child it starts, joins a job that ends them all.
  void Start(const std::string& line) {
    processes_.push_back(StartProgram(line, job_));
    ASSERT_TRUE(processes_.back()) << line;
    // Idle once its lock is held and its window made.
    ASSERT_EQ(WaitForInputIdle(processes_.back(), 10000), 0u) << line;
  }
  void TearDown() override {
    g_bSilent = 0;
    TerminateJobObject(job_, 2);
    for (HANDLE process : processes_) WaitForSingleObject(process, 5000), CloseHandle(process);
    CloseHandle(job_);
    for (const std::string& folder : {kProgramFiles, kProgramFilesX86,
                                      std::string("C:\\tw-elsewhere"), std::string("C:\\tw-other")})
      RemoveTree(folder);
    RemoveBrowserProfiles();
  }
  bool AskYesNo(const std::string& text) override {
    if (GetParam().answer == IDABORT) RequestStop();
    return RunLog::AskYesNo(text);
  }

  HANDLE job_ = CreateJobObjectA(nullptr, nullptr);
  std::vector<HANDLE> processes_;
};

TEST_P(BackgroundBrowsers, OnlyABrowserWithNoWindowIsClosedAndThenCleaned) {
  const Row& row = GetParam();
  std::string program = "Z:" TW_STAND_IN_BROWSER;
  for (char& c : program) c = c == '/' ? '\\' : c;
  for (const StandIn& standIn : row.standIns) {
    for (const std::string& path : {standIn.exe, standIn.lock})
      SHCreateDirectoryExA(nullptr, path.substr(0, path.rfind('\\')).c_str(), nullptr);
    CopyFileA(program.c_str(), standIn.exe.c_str(), FALSE);
    Start('"' + standIn.exe + "\" \"" + standIn.lock + "\" " + standIn.how);
    if (HasFatalFailure()) return;
  }
  std::map<std::string, std::string> before;
  for (const std::string& file : {kHistory, kRelPlaces, kAbsPlaces}) before[file] = ReadAll(file);
  CSweepProfile profile;
  profile.di[kIeHistory] = 1;
  g_bSilent = row.answer == 0;
  profile.Run(kRunAllMask);
  ClearStop();

  std::vector<std::string> asked, report;
  for (const std::string& browser : row.asked) asked.push_back(browser + kAsk);
  EXPECT_EQ(asked_, asked);
  for (const std::string& line : RunReport())
    if (line.find("Google Chrome") != line.npos || line.find("Firefox") != line.npos)
      report.push_back(line);
  EXPECT_EQ(report, row.report);
  for (size_t i = 0; i < row.standIns.size(); ++i) {
    DWORD exit = 0;
    GetExitCodeProcess(processes_[i], &exit);
    EXPECT_EQ(exit, row.standIns[i].exit) << row.standIns[i].exe << " " << row.standIns[i].how;
    EXPECT_TRUE(row.standIns[i].how.find(" parent") == std::string::npos ||
                Exists(row.standIns[i].lock + "-child"))
        << "the child of a browser in use runs on";
  }
  for (const auto& [file, bytes] : before)
    if (std::find(row.kept.begin(), row.kept.end(), file) != row.kept.end())
      EXPECT_EQ(ReadAll(file), bytes) << file << " changed";
    else
      EXPECT_EQ(Sql(file, file == kHistory ? "SELECT count(*) FROM visits"
                                           : "SELECT count(*) FROM moz_historyvisits"),
                0)
          << file;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, BackgroundBrowsers, ::testing::Values(
    Row{"hidden-scheduled", {{kChromeExe, kChromeLock, "hidden exits", 0}}, 0, {},
        {"Closed Google Chrome" + kClosed}},
    Row{"hidden-yes", {{kFirefoxExe, kFirefoxLock, "hidden exits", 0}}, IDYES, {"Firefox"},
        {"Closed Firefox" + kClosed}},
    Row{"hidden-no", {{kChromeExe, kChromeLock, "hidden exits", STILL_ACTIVE}}, IDNO, {"Google Chrome"},
        {"Google Chrome" + kOpen}, {kHistory}},
    Row{"shown", {{kChromeExe, kChromeLock, "shown exits", STILL_ACTIVE}}, IDYES, {},
        {"Google Chrome" + kOpen}, {kHistory}},
    Row{"minimized", {{kFirefoxExe, kFirefoxLock, "minimized exits", STILL_ACTIVE}}, IDYES, {},
        {"Firefox" + kOpen}, {kRelPlaces}},
    // It takes no notice of the session's end: terminated after the wait.
    Row{"deaf", {{kChromeExe, kChromeLock, "hidden deaf", 1}}, 0, {}, {"Closed Google Chrome" + kClosed}},
    // Stopped while it was being closed: the wait ends, nothing is terminated,
    // and the run cleans nothing more.
    Row{"deaf-stopped", {{kChromeExe, kChromeLock, "hidden deaf", STILL_ACTIVE}}, IDABORT,
        {"Google Chrome"}, {"Google Chrome" + kOpen}, {kHistory, kRelPlaces, kAbsPlaces}},
    Row{"elsewhere", {{kElsewhereExe, kChromeLock, "hidden exits", STILL_ACTIVE}}, 0, {},
        {"Google Chrome" + kOpen}, {kHistory}},
    // Chrome Canary on its own User Data, and Chrome on another: only the
    // stable Chrome on its own is closed.
    Row{"other-channel-and-data", {
          {kCanaryExe, kLocal + "\\Google\\Chrome SxS\\User Data\\lockfile", "hidden exits", STILL_ACTIVE},
          {kChromeExe, "C:\\tw-other\\lockfile", "hidden exits --user-data-dir=C:\\tw-other", STILL_ACTIVE},
          {kChromeExe, kChromeLock, "hidden exits", 0}}, 0, {}, {"Closed Google Chrome" + kClosed}},
    // A Firefox in use on the absolute profile, with a child that names no
    // profile, and one with no window on the relative profile: that one alone
    // is closed, and its profile alone cleaned.
    Row{"firefox-profiles", {
          {kFirefoxExe, kAbsProfile + "\\parent.lock", "shown parent -profile \"" + kAbsProfile + '"', STILL_ACTIVE},
          {kFirefoxExe, kFirefoxLock, "hidden exits --profile \"" + kRel + '"', 0}}, 0, {},
        {"Closed Firefox" + kClosed, "Firefox" + kOpen}, {kAbsPlaces}}));
// clang-format on

}  // namespace
