// tidewisp.exe started again while its window is open: one window stays, and
// what the user changed in it is not lost when it is closed (not by Enter).
#include "tests/support/Process.h"
#include "tests/support/Win32Test.h"

namespace {

BOOL CALLBACK CountMainWindows(HWND window, LPARAM count) {
  char kind[16] = {}, title[16] = {};
  GetClassNameA(window, kind, sizeof kind);
  GetWindowTextA(window, title, sizeof title);
  *reinterpret_cast<int*>(count) += std::string(kind) + title == "#32770Tidewisp";
  return TRUE;
}

BOOL CALLBACK FindIndexDatBox(HWND child, LPARAM found) {  // on the Options page
  if (GetDlgCtrlID(child) == 1010) *reinterpret_cast<HWND*>(found) = child;
  return TRUE;
}

TEST(SingleInstance, AnotherStartLeavesOneWindowRestoredWithItsChanges) {
  SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Marrowfield");
  // A due schedule: a scheduled start that ran would store its lastErase.
  for (auto [name, value] :
       {std::pair{"di0", "0"}, {"di21", "1"}, {"when", "0"}, {"lastErase", "0"}})
    SetRegString(HKEY_CURRENT_USER, "Software\\Marrowfield\\Tidewisp", name, value);
  HANDLE first = StartProgram(TidewispExe());
  HWND window = nullptr, box = nullptr;  // the window, once its pages are made
  for (int i = 0; i < 200 && !box; ++i, Sleep(50))
    if ((window = FindWindowA("#32770", "Tidewisp")))
      EnumChildWindows(window, FindIndexDatBox, reinterpret_cast<LPARAM>(&box));
  if (!box) TerminateProcess(first, 1);  // not left to the next test
  ASSERT_TRUE(box) << "no window within 10 s";
  SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);  // not saved until the window closes
  ShowWindow(window, SW_MINIMIZE);
  for (const char* mode : {"", " auto"}) {
    DWORD exitCode = STILL_ACTIVE;
    EXPECT_TRUE(RunAndWait(TidewispExe() + mode, 10000, &exitCode));
    EXPECT_EQ(exitCode, 0u) << "[" << mode << "] had to be ended";
  }
  int windows = 0;
  EnumWindows(CountMainWindows, reinterpret_cast<LPARAM>(&windows));
  EXPECT_EQ(windows, 1);
  // Restored; which window is in front is not checked: Windows lets only the
  // start the user just made take the foreground, a rule a test cannot make.
  EXPECT_FALSE(IsIconic(window)) << "the open window was not restored";
  EXPECT_EQ(StoredSetting("lastErase"), std::string("0", 2)) << "the scheduled start ran";
  PostMessageA(window, WM_COMMAND, IDOK, 0);  // Enter inside a page
  EXPECT_EQ(WaitForSingleObject(first, 500), WAIT_TIMEOUT) << "Enter closed the program";
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(first, 10000), WAIT_OBJECT_0);
  CloseHandle(first);
  EXPECT_EQ(StoredSetting("di0"), std::string("1", 2)) << "the first window's tick was lost";
  SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Marrowfield");
}

}  // namespace
