// tidewisp.exe cleaning tens of thousands of files in the prefix's temporary
// folder, watched from this process as another program would watch it: the
// window answers at every poll and shows the run's progress and "Stop"; Stop,
// and closing the window, end the run with the rest left and no stamp; the
// next Clean finishes the job.
#include <algorithm>
#include <memory>

#include "tests/support/BrowserData.h"
#include "tests/support/Process.h"
#include "tests/support/Win32Test.h"
#include "tools/TidewispWindows.h"

namespace {

const size_t kFiles = 30000;
const std::wstring kTempLine = L"Erasing Windows Temporary Folder...";

TEST(LongRun, TheWindowAnswersThroughoutAndAStoppedRunLeavesTheRestUnstamped) {
  char temp[MAX_PATH];
  const std::string folder = std::string(temp, GetTempPathA(MAX_PATH, temp)) + "tidewisp-long";
  FreshSettings settings;
  // Only the temporary folders, and a stamp that only a whole run may change.
  ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, kSettingsKey, "di1", "1") &&
              SetRegString(HKEY_CURRENT_USER, kSettingsKey, "lastErase", "123"));
  // In folders of 300: Wine looks through a whole folder for another case of
  // each new name, which makes one folder of 30,000 take minutes.
  for (size_t i = 0; i < kFiles; ++i) {
    std::string file = folder + "\\" + std::to_string(i / 300) + "\\" + std::to_string(i);
    if (i % 300 == 0) SHCreateDirectoryExA(nullptr, file.substr(0, file.rfind('\\')).c_str(), 0);
    HANDLE made = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(made, INVALID_HANDLE_VALUE) << file;
    CloseHandle(made);
  }
  size_t left = kFiles;
  HANDLE process = nullptr;
  // A failed check must not leave the program running in the prefix.
  std::unique_ptr<HANDLE, void (*)(HANDLE*)> ender(&process, [](HANDLE* left) {
    if (*left) TerminateProcess(*left, 1), CloseHandle(*left);
  });
  for (Then then : {Then::kStop, Then::kClose, Then::kNothing}) {
    if (!process) process = StartProgram(TidewispExe());
    HWND main = WaitFor(Which::kMain, 20000, GetProcessId(process));
    ASSERT_TRUE(main) << "no window";
    RunWatch run = WatchRun(main, process, kTempLine, 300, then, 250, 60000);
    EXPECT_EQ(run.unanswered, 0) << "of " << run.polls << " polls";
    EXPECT_TRUE(run.stopShown && !run.tabEnabled) << "Clean read Stop, the tabs were disabled";
    EXPECT_TRUE(run.endMs) << "the run, or with a close the process, ended";
    EXPECT_EQ(std::count(run.lines.begin(), run.lines.end(), kTempLine), 1) << "seen as it came";
    Files files;
    Tree(folder, "", &files);
    size_t now = files.size();
    EXPECT_TRUE(then == Then::kNothing ? now == 0 : now > 0 && now < left) << now << " left";
    left = now;
    if (then == Then::kClose) {
      EXPECT_EQ(StoredSetting("lastErase"), std::string("123", 4)) << "after Stop, then closing";
      CloseHandle(std::exchange(process, nullptr));
      continue;
    }
    std::vector<std::wstring> lines;
    LogLines(main, run.firstLine, 5, 1000, lines);
    ASSERT_EQ(lines.size(), 4u) << "a progress line, then the summary before the last";
    EXPECT_EQ(lines[1] + lines[2].substr(0, 7) + lines[3],
              kTempLine + L"Erased " +
                  std::wstring(then == Then::kStop ? L"Cleaning stopped." : L"Cleaning complete."));
  }
  ASSERT_TRUE(CloseAndWait(WaitFor(Which::kMain, 0, GetProcessId(process)), process, 10000));
  EXPECT_NE(StoredSetting("lastErase"), std::string("123", 4)) << "the whole run is stamped";
  RemoveTree(folder);
}

}  // namespace
