// The main window in this process, created modelessly and driven by messages;
// the clean commands and the reboot request; and tidewisp.exe's own window.
#include "engine/Log.h"
#include "framework/WinApp.h"
#include "profile/SweepProfile.h"
#include "tests/support/Process.h"
#include "tests/support/Win32Test.h"
#include "ui/CleanCommands.h"
#include "ui/SweepDlg.h"

namespace {

CWinApp g_app;  // for the wait cursor and the message boxes' owner

class MainWindow : public ::testing::Test, public CRunView {
 protected:
  void SetUp() override {
    SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Marrowfield");
    g_pProfile = new CSweepProfile;
    g_app.m_pMainWnd = g_pMainDlg = &dialog_;
  }
  void TearDown() override {
    SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Marrowfield");
    if (dialog_.m_hWnd) DestroyWindow(dialog_.m_hWnd);  // which saves the profile
    delete g_pProfile;
    g_app.m_pMainWnd = g_pMainDlg = nullptr;
    SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Marrowfield");
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines(dialog_.m_mainPage.m_log.GetCount());
    char text[512];
    for (size_t i = 0; i < lines.size(); ++i)
      lines[i].assign(text, dialog_.m_mainPage.m_log.SendMessage(LB_GETTEXT, i, (LPARAM)text));
    return lines;
  }
  // Stands in for the window as the run's log sink: what showed at each line.
  void AddLogLine(const std::string& text) override {
    shown_ += std::to_string(dialog_.m_tab.GetCurSel()) +
              (dialog_.m_mainPage.IsWindowVisible() ? "m" : "") +
              (dialog_.m_optionsPage.IsWindowVisible() ? "o" : "") + " ";
    dialog_.AddLogLine(text);
  }
  HWND GetSafeHwnd() const override { return nullptr; }

  CSweepDlg dialog_;
  std::string shown_;
};

TEST_F(MainWindow, OpensAfterTheSplashOnTheMainTabWithItsMenuAndLog) {
  dialog_.ShowSplash();
  EXPECT_TRUE(dialog_.m_splash.IsWindowVisible());
  ASSERT_TRUE(dialog_.Create(nullptr));
  EXPECT_FALSE(dialog_.m_splash.IsWindowVisible());
  EXPECT_EQ(g_app.m_nWaitCursorCount, 0) << "the splash's wait cursor ends";
  EXPECT_EQ(dialog_.m_tab.GetCurSel(), 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(dialog_.m_pages[i]->IsWindowVisible(), i == 0) << i;

  const std::string wide(300, 'w');
  LogLine(wide);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"Tidewisp ready ...", wide}));
  EXPECT_EQ(dialog_.m_mainPage.m_log.GetCurSel(), LB_ERR) << "lines are never selected";
  EXPECT_GT(dialog_.m_mainPage.m_log.SendMessage(LB_GETHORIZONTALEXTENT), 400);

  HMENU menu = GetSystemMenu(dialog_.m_hWnd, FALSE);
  int last = GetMenuItemCount(menu) - 1;
  char text[64] = {};
  GetMenuStringA(menu, last, text, sizeof text, MF_BYPOSITION);
  EXPECT_TRUE(GetMenuState(menu, last - 1, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_STREQ(text, "&About Tidewisp...");
  AnswerNextBox(IDOK);
  dialog_.SendMessage(WM_SYSCOMMAND, GetMenuItemID(menu, last));
  EXPECT_EQ(TakeShownBoxes().at(0).caption, "About Tidewisp");
}

TEST_F(MainWindow, ARunFromTheOptionsPageShowsTheMainPageFirst) {
  ASSERT_TRUE(dialog_.Create(nullptr));
  dialog_.m_tab.SendMessage(TCM_SETCURFOCUS, 2);
  ASSERT_TRUE(dialog_.m_optionsPage.IsWindowVisible());
  g_pRunView = this;
  dialog_.SwitchToMainAndRun(0);
  EXPECT_EQ(shown_, "0m 0m ") << "at each line: the tab, and the pages shown";
}

TEST_F(MainWindow, RunCleaningSavesFirstAndStillRunsWhenTheSaveFails) {
  ASSERT_TRUE(dialog_.Create(nullptr));
  g_pProfile->lastErase = 123;
  RunCleaning(kRunAllMask);
  EXPECT_EQ(StoredSetting("lastErase"), std::string("123", 4)) << "saved before the run";
  EXPECT_EQ(g_app.m_nWaitCursorCount, 0) << "the wait cursor ends with the run";
  MakeSettingsUnsavable();
  AnswerNextBox(IDOK);
  RunCleaning(kRunAllMask);
  EXPECT_EQ(TakeShownBoxes().at(0).text, "Failed saving settings!");
  EXPECT_EQ(Lines().size(), 5u) << "both runs logged their two lines";
}

// The reboot calls, recorded; each answers as the row says.
struct RebootRow {
  BOOL accepted, token, lookup;
  DWORD lastError;
  std::string calls;
};
const RebootRow* g_row;
std::string g_calls;
BOOL WINAPI Exit(UINT flags, DWORD reason) {
  g_calls += "exit " + std::to_string(flags) + (reason & SHTDN_REASON_FLAG_PLANNED ? "p; " : "; ");
  return g_row->accepted;
}
BOOL WINAPI Token(HANDLE process, DWORD access, PHANDLE token) {
  g_calls += "token " + std::to_string(access) + "; ";
  return g_row->token && OpenProcessToken(process, access, token);
}
BOOL WINAPI Lookup(LPCSTR, LPCSTR name, PLUID) { return g_calls += name, g_row->lookup; }
BOOL WINAPI Adjust(HANDLE, BOOL, PTOKEN_PRIVILEGES state, DWORD, PTOKEN_PRIVILEGES, PDWORD) {
  return g_calls += " on " + std::to_string(state->Privileges[0].Attributes) + "; ", TRUE;
}
DWORD WINAPI LastError() { return g_row->lastError; }

TEST(Reboot, ForcesOnlyHungProgramsAndOnlyOnceThePrivilegeIsEnabled) {
  const RebootCalls real = g_rebootCalls;
  g_rebootCalls = {Exit, Token, Lookup, Adjust, LastError};
  const std::string asked = "exit 2p; token 40; SeShutdownPrivilege on 2; ";
  for (const RebootRow& row :
       {RebootRow{TRUE, 0, 0, 0, "exit 2p; "}, RebootRow{FALSE, FALSE, 0, 0, "exit 2p; token 40; "},
        RebootRow{FALSE, TRUE, FALSE, 0, "exit 2p; token 40; SeShutdownPrivilege"},
        RebootRow{FALSE, TRUE, TRUE, ERROR_NOT_ALL_ASSIGNED, asked},
        RebootRow{FALSE, TRUE, TRUE, 0, asked + "exit 18p; "}}) {
    g_row = &row, g_calls.clear();
    RequestReboot();
    EXPECT_EQ(g_calls, row.calls);
  }
  g_rebootCalls = real;
}

TEST(TidewispExe, OpensItsWindowAndSavesTheSettingsWhenClosed) {
  SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Marrowfield");
  char module[MAX_PATH];
  std::string exe(module, GetModuleFileNameA(nullptr, module, MAX_PATH));
  HANDLE process =
      StartProgram(exe.substr(0, exe.rfind('\\', exe.rfind('\\') - 1)) + "\\tidewisp.exe");
  HWND window = nullptr;
  for (int i = 0; i < 200 && !window; ++i, Sleep(50)) window = FindWindowA("#32770", "Tidewisp");
  ASSERT_TRUE(window) << "no window within 10 s";
  EXPECT_EQ(SendMessageA(GetDlgItem(window, 1000), TCM_GETITEMCOUNT, 0, 0), 5);
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
  CloseHandle(process);
  EXPECT_EQ(StoredSetting("when"), std::string("1", 2)) << "the settings are saved on closing";
  SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Marrowfield");
}

}  // namespace
