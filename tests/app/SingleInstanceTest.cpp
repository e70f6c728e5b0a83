// tidewisp.exe started again while its window is open: one window stays, and
// what the user changed in it is not lost when it is closed (not by Enter).
#include "tests/support/Process.h"
#include "tests/support/Win32Test.h"
#include "tools/TidewispWindows.h"

namespace {

TEST(SingleInstance, AnotherStartLeavesOneWindowRestoredWithItsChanges) {
  SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Marrowfield");
  // A due schedule: a scheduled start that ran would store its lastErase.
  for (auto [name, value] :
       {std::pair{"di0", "0"}, {"di21", "1"}, {"when", "0"}, {"lastErase", "0"}})
    SetRegString(HKEY_CURRENT_USER, "Software\\Marrowfield\\Tidewisp", name, value);
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
  EXPECT_EQ(StoredSetting("lastErase"), std::string("0", 2)) << "the scheduled start ran";
  PostMessageA(window, WM_COMMAND, IDOK, 0);  // Enter inside a page
  EXPECT_EQ(WaitForSingleObject(first, 500), WAIT_TIMEOUT) << "Enter closed the program";
  EXPECT_TRUE(CloseAndWait(window, first, 10000));
  CloseHandle(first);
  EXPECT_EQ(StoredSetting("di0"), std::string("1", 2)) << "the first window's tick was lost";
  SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Marrowfield");
}

}  // namespace
