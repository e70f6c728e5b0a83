// The main window in this process, created modelessly and driven by messages;
// the clean commands and the reboot request.
#include <atomic>
#include <functional>
#include <thread>

#include "engine/Stop.h"
#include "framework/WinApp.h"
#include "profile/ScheduledRecord.h"
#include "profile/SweepProfile.h"
#include "tests/support/BrowserData.h"
#include "tests/support/Win32Test.h"
#include "ui/CleanCommands.h"
#include "ui/SweepDlg.h"

namespace {

CWinApp g_app;                               // for the wait cursor and the message boxes' owner
const char kReady[] = "Tidewisp ready ...";  // its line, after a scheduled run's report

std::vector<std::string> g_picked;  // what the pickers answer next, in turn ("": no path)

Picked Pick(HWND, std::string& path) {
  path = g_picked.front(), g_picked.erase(g_picked.begin());
  return path.empty() ? Picked::kNoPath : Picked::kPath;
}

// The reboot calls, recorded; each answers as the row says.
struct RebootRow {
  BOOL accepted, token, lookup;
  DWORD lastError;
  std::string calls;
};
const RebootRow kAccepted = {TRUE}, *g_row;
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

class MainWindow : public ::testing::Test, FreshSettings {
 protected:
  void SetUp() override {
    g_pProfile = new CSweepProfile;
    g_app.m_pMainWnd = g_pMainDlg = &dialog_;
    g_pickers = {Pick, Pick};
    g_rebootCalls = {Exit, Token, Lookup, Adjust, LastError}, g_row = &kAccepted;
  }
  void TearDown() override {
    SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Marrowfield");  // no longer unsavable
    if (dialog_.m_hWnd) DestroyWindow(dialog_.m_hWnd);         // which saves the profile
    delete g_pProfile;
    g_app.m_pMainWnd = g_pMainDlg = nullptr;
    g_pickers = real_;
    g_rebootCalls = realReboot_;
  }
  static void Click(const CDialog& on, int id) { SendMessageA(on.GetDlgItem(id), BM_CLICK, 0, 0); }
  // A mouse click on tab `index`: Wine honours a refused change only then.
  void ClickTab(int index) {
    RECT item;
    dialog_.m_tab.SendMessage(TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
    LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    dialog_.m_tab.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
    dialog_.m_tab.SendMessage(WM_LBUTTONUP, 0, at);
  }
  static std::vector<std::string> Lines(const CListBox& list) {
    std::vector<std::string> lines(list.GetCount());
    char text[512];
    for (size_t i = 0; i < lines.size(); ++i)
      lines[i].assign(text, list.SendMessage(LB_GETTEXT, i, reinterpret_cast<LPARAM>(text)));
    return lines;
  }
  // The window's messages handled, as its loop would, until `done`.
  static void Pump(const std::function<bool()>& done) {
    for (DWORD start = GetTickCount(); !done() && GetTickCount() - start < 30000;) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
      for (MSG message; PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);)
        DispatchMessageA(&message);
    }
    ASSERT_TRUE(done()) << "not done within 30 s";
  }
  CSweepDlg dialog_;
  const Pickers real_ = g_pickers;
  const RebootCalls realReboot_ = g_rebootCalls;
};

TEST_F(MainWindow, OpensAfterTheSplashOnTheMainTabWithItsMenuAndLog) {
  dialog_.ShowSplash();
  EXPECT_TRUE(dialog_.m_splash.IsWindowVisible());
  HWND picture = GetWindow(dialog_.m_splash.m_hWnd, GW_CHILD);
  EXPECT_FALSE(GetUpdateRect(picture, nullptr, FALSE)) << "the splash's picture is painted";
  ASSERT_TRUE(dialog_.Create(nullptr));
  EXPECT_FALSE(dialog_.m_splash.IsWindowVisible());
  EXPECT_EQ(g_app.m_nWaitCursorCount, 0) << "the splash's wait cursor ends";
  EXPECT_EQ(dialog_.m_tab.GetCurSel(), 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(dialog_.m_pages[i]->IsWindowVisible(), i == 0) << i;

  const std::string wide(300, 'w');
  LogLine(wide);
  EXPECT_EQ(Lines(dialog_.m_mainPage.m_log), (std::vector<std::string>{kReady, wide}));
  EXPECT_EQ(dialog_.m_mainPage.m_log.GetCurSel(), LB_ERR) << "lines are never selected";
  EXPECT_GT(dialog_.m_mainPage.m_log.SendMessage(LB_GETHORIZONTALEXTENT), 400);
  for (int i = 0; i < 40; ++i) LogLine("line " + std::to_string(i));
  RECT newest, client;
  dialog_.m_mainPage.m_log.SendMessage(LB_GETITEMRECT, 41, reinterpret_cast<LPARAM>(&newest));
  GetClientRect(dialog_.m_mainPage.m_log.m_hWnd, &client);
  EXPECT_TRUE(newest.top >= 0 && newest.bottom <= client.bottom) << "the newest line is in view";

  HMENU menu = GetSystemMenu(dialog_.m_hWnd, FALSE);
  int last = GetMenuItemCount(menu) - 1;
  EXPECT_TRUE(GetMenuState(menu, last - 1, MF_BYPOSITION) & MF_SEPARATOR);
  AnswerNextBox(IDOK);
  dialog_.SendMessage(WM_SYSCOMMAND, GetMenuItemID(menu, last));
  EXPECT_EQ(TakeShownBoxes().at(0).caption, "About Tidewisp");

  // The Schedule page's heading, wrapped as the control wraps it, fits its box.
  HWND heading = GetWindow(dialog_.m_schedulePage.m_hWnd, GW_CHILD);
  char words[128];
  RECT box, needed;
  GetClientRect(heading, &box);
  needed = box;
  HDC dc = GetDC(heading);
  SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(heading, WM_GETFONT, 0, 0)));
  DrawTextA(dc, words, GetWindowTextA(heading, words, sizeof words), &needed,
            DT_CALCRECT | DT_WORDBREAK);
  ReleaseDC(heading, dc);
  EXPECT_LE(needed.bottom, box.bottom) << words << " is cut off";
}

// A scheduled run's report heads the log once; one that cannot be read is
// dropped unseen. Either way the value is gone.
TEST_F(MainWindow, OpensWithAScheduledRunsReportOnceAndDropsADamagedOne) {
  const struct {
    DWORD type;
    std::string data;  // stored as it is, NUL included where given
    std::vector<std::string> shown;
  } rows[] = {{REG_SZ,
               std::string("On x:\r\nErased 1 file (5 bytes).\0", 32),
               {"On x:", "Erased 1 file (5 bytes).", "", kReady}},
              {REG_BINARY, "On x:", {kReady}},
              {REG_SZ, std::string(kScheduledRecordLimit, 'x') + '\0', {kReady}},
              {REG_SZ, std::string("On\0x:\0", 6), {kReady}}};
  for (const auto& row : rows) {
    ASSERT_FALSE(RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKeyPath, "lastScheduledRun", row.type,
                                 row.data.data(), static_cast<DWORD>(row.data.size())));
    CSweepDlg dialog;  // a window of its own each time
    ASSERT_TRUE(dialog.Create(nullptr));
    EXPECT_EQ(Lines(dialog.m_mainPage.m_log), row.shown) << row.shown.size();
    EXPECT_EQ(StoredSetting("lastScheduledRun"), "<absent>") << "shown once";
  }
}

TEST_F(MainWindow, RebootForcesOnlyHungProgramsAndOnlyOnceThePrivilegeIsEnabled) {
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
}

// The tab and the pages shown; what can be used during a run, and after it:
// "Clean" (reading "Stop"), "Clean and Reboot", the tab control, the other
// pages; and the pointer.
std::string RunState(const CSweepDlg& dialog) {
  char clean[16] = {};
  GetWindowTextA(dialog.m_mainPage.GetDlgItem(IDC_CLEAN), clean, sizeof clean);
  std::string state = std::to_string(dialog.m_tab.GetCurSel()) +
                      (dialog.m_mainPage.IsWindowVisible() ? "m" : "") +
                      (dialog.m_optionsPage.IsWindowVisible() ? "o " : " ") + clean;
  for (HWND control :
       {dialog.m_mainPage.GetDlgItem(IDC_CLEAN), dialog.m_mainPage.GetDlgItem(IDC_CLEAN_AND_REBOOT),
        dialog.m_tab.m_hWnd, dialog.m_optionsPage.m_hWnd, dialog.m_schedulePage.m_hWnd})
    state += IsWindowEnabled(control) ? " on" : " off";
  LPCSTR shape = g_app.CursorShape();
  return state + (shape == IDC_APPSTARTING ? " appstarting" : shape ? " other" : "");
}

// A run from either page, by either button, shows the Main page; the
// settings are saved first, the Options page's ticks with them, and a failed
// save is reported and the run still follows. A run stopped by Stop, or by the
// session's end, is neither stamped nor followed by a reboot.
TEST_F(MainWindow, ARunCanBeStoppedAndAStoppedRunIsNeitherStampedNorRebooted) {
  ASSERT_TRUE(dialog_.Create(nullptr));
  const struct {
    int tab, button, tick;   // the run's page and button; the tick of Registry Backups
    std::string how, calls;  // "Stop", "session end", "" (to its end) or "unsaved"
  } rows[] = {{0, IDC_CLEAN_AND_REBOOT, 0, "Stop"},
              {0, IDC_CLEAN_AND_REBOOT, 0, "session end"},
              {2, IDC_CLEAN_AND_REBOOT, 1, "", "exit 2p; "},
              {2, IDC_CLEAN, 0, ""},
              {0, IDC_CLEAN, 0, "unsaved"}};
  for (const auto& row : rows) {
    bool stopped = row.how == "Stop" || row.how == "session end";
    g_pProfile->lastErase = 123, g_calls.clear();
    if (row.how == "unsaved") MakeSettingsUnsavable(), AnswerNextBox(IDOK);
    dialog_.m_tab.SendMessage(TCM_SETCURFOCUS, row.tab);
    SendMessageA(dialog_.m_optionsPage.GetDlgItem(IDC_REGISTRY_BACKUPS), BM_SETCHECK, row.tick, 0);
    Click(*dialog_.m_pages[row.tab], row.button);
    EXPECT_EQ(StoredSetting("lastErase"),
              row.how == "unsaved" ? "<absent>" : std::string("123", 4));
    EXPECT_EQ(TakeShownBoxes().size(), row.how == "unsaved") << "the failed save reported";
    ClickTab(2);  // sent: a disabled control gets no clicks of the user's
    EXPECT_EQ(RunState(dialog_), "0m Stop on off off off off appstarting");
    if (row.how == "Stop") Click(dialog_.m_mainPage, IDC_CLEAN);  // which reads "Stop"
    if (row.how == "session end") {
      dialog_.SendMessage(WM_ENDSESSION, TRUE);  // the process may end once it returns
      EXPECT_FALSE(dialog_.Running());
    }
    Pump([&] { return !dialog_.Running(); });
    EXPECT_EQ(RunState(dialog_), "0m Clean on on on on on");
    EXPECT_EQ(Lines(dialog_.m_mainPage.m_log).back(),
              stopped ? "Cleaning stopped." : "Cleaning complete.");
    EXPECT_EQ(g_pProfile->lastErase > 123, !stopped) << row.how << ": stamped";
    EXPECT_EQ(g_calls, row.calls) << row.how << ": the reboot";
    EXPECT_EQ(g_pProfile->di[kRegistryBackups], row.tick) << row.tab << " " << row.button;
  }
}

TEST_F(MainWindow, TheRunsQuestionsAreAskedByTheWindowsThread) {
  ASSERT_TRUE(dialog_.Create(nullptr));
  for (bool stopping : {false, true}) {
    stopping ? RequestStop() : AnswerNextBox(IDYES);
    std::atomic<int> answer{-1};
    std::thread run([&] { answer = dialog_.AskYesNo("Close it?"); });
    Pump([&] { return answer >= 0; });
    run.join();
    EXPECT_EQ(answer, !stopping) << "stopping " << stopping;
  }
  ClearStop();
  auto shown = TakeShownBoxes();  // the hook sees the boxes of the test's thread only
  ASSERT_EQ(shown.size(), 1u) << "a stopping run asks no one";
  EXPECT_EQ(shown[0].text + " " + shown[0].caption, "Close it? Tidewisp");
}

// Each box is its flag; ticking My Documents asks first, unticking it asks nothing.
TEST_F(MainWindow, EachOptionsBoxIsItsFlagAndMyDocumentsAsksFirst) {
  const std::pair<int, int> boxes[] = {{0, 1010},  {1, 1013},  {2, 1014},  {3, 1015},  {5, 1021},
                                       {6, 1022},  {7, 1011},  {8, 1012},  {9, 1017},  {10, 1019},
                                       {11, 1020}, {12, 1025}, {13, 1026}, {14, 1031}, {15, 1032},
                                       {16, 1028}, {17, 1029}, {18, 1030}, {19, 1042}, {20, 1043},
                                       {22, 1044}, {23, 1045}, {24, 1047}, {25, 1048}};
  g_pProfile->di[kRecycleBin] = g_pProfile->di[kSchedule] = 1;  // no visible box
  ASSERT_TRUE(dialog_.Create(nullptr));
  const COptionsPage& page = dialog_.m_optionsPage;
  EXPECT_FALSE(IsWindowVisible(page.GetDlgItem(1016)) || IsWindowEnabled(page.GetDlgItem(1046)));
  for (auto [flag, box] : boxes) {
    for (auto [other, id] : boxes) SendMessageA(page.GetDlgItem(id), BM_SETCHECK, other == flag, 0);
    dialog_.m_optionsPage.UpdateData(TRUE);
    for (auto [other, id] : boxes)
      EXPECT_EQ(g_pProfile->di[other], other == flag) << box << " " << id;
  }
  EXPECT_EQ(g_pProfile->di[kRecycleBin] + g_pProfile->di[kSchedule], 2);
  HWND box = page.GetDlgItem(1015);  // unticked by the last round
  for (int answer : {IDNO, IDYES}) {
    AnswerNextBox(answer);
    SendMessageA(box, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), answer == IDYES);
  }
  SendMessageA(box, BM_CLICK, 0, 0);
  auto shown = TakeShownBoxes();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_NE(shown[0].text.find("\"My Documents\" is the default location"), std::string::npos);
}

// A radio saves at once; leaving the page commits the count. A bad count is
// explained ("!"), and neither saved nor left behind.
TEST_F(MainWindow, TheScheduleRadiosSaveAndABadCountKeepsItsTab) {
  g_pProfile->di[kSchedule] = 1, g_pProfile->when = 7;
  ASSERT_TRUE(dialog_.Create(nullptr));
  const CSchedulePage& page = dialog_.m_schedulePage;
  EXPECT_EQ(IsDlgButtonChecked(page.m_hWnd, 1007), BST_CHECKED);
  EXPECT_EQ(GetDlgItemInt(page.m_hWnd, 1004, nullptr, TRUE), 7u);
  dialog_.m_tab.SendMessage(TCM_SETCURFOCUS, 1);
  const struct {
    int radio;                  // 0: the Options tab instead
    const char *typed, *after;  // di21 and when as stored, the tab then
  } rows[] = {{1005, "", "0 7 1"},       {1006, "", "1 0 1"},   {1007, "30", "1 30 1"},
              {1007, "1000", "1 30 1!"}, {0, "abc", "1 30 1!"}, {0, "12x", "1 30 1!"},
              {0, "1000", "1 30 1!"},    {0, "12", "1 30 2"}};
  for (const auto& row : rows) {
    if (*row.typed) SetDlgItemTextA(page.m_hWnd, 1004, row.typed);
    if (strchr(row.after, '!')) AnswerNextBox(IDOK);
    row.radio ? Click(page, row.radio) : ClickTab(2);
    EXPECT_EQ(std::string(StoredSetting("di21").c_str()) + " " + StoredSetting("when").c_str() +
                  " " + std::to_string(dialog_.m_tab.GetCurSel()) +
                  (TakeShownBoxes().empty() ? "" : "!"),
              row.after)
        << row.radio << " " << row.typed;
  }
  EXPECT_EQ(g_pProfile->when, 12);
}

// The lists and the profile, entry for entry. Then Add asks the system's file
// dialog for a file; a folder without a path, or one that holds Windows, is
// not added unasked.
TEST_F(MainWindow, ListPagesKeepTheirListAndTheProfileAndAddOnlyWhatIsAnswered) {
  g_pProfile->fileList = {"C:\\stored.txt"}, g_pProfile->folderList = {"C:\\stored"};
  ASSERT_TRUE(dialog_.Create(nullptr));
  for (bool folders : {false, true}) {
    CListPage& page = folders ? static_cast<CListPage&>(dialog_.m_eraseFoldersPage)
                              : static_cast<CListPage&>(dialog_.m_wipeFilesPage);
    auto& list = folders ? g_pProfile->folderList : g_pProfile->fileList;
    g_picked = {"C:\\a", "C:\\b", "C:\\c"};
    for (int i = 0; i < 3; ++i) Click(page, IDC_ADD);
    // After the adds (nothing selected), then after each Remove of the selection.
    for (auto [select, after] : {std::pair{-1, -1}, {2, 1}, {0, 0}, {0, 0}, {0, -1}}) {
      if (select >= 0) page.m_list.SetCurSel(select), Click(page, IDC_REMOVE);
      EXPECT_EQ(Lines(page.m_list), list);
      EXPECT_EQ(page.m_list.GetCurSel(), after);
    }
    AnswerNextBox(IDOK);
    Click(page, IDC_REMOVE);
    EXPECT_EQ(TakeShownBoxes().at(0).text,
              folders ? "No directory selected!" : "No file selected!");
  }
  EXPECT_TRUE(g_pProfile->fileList.empty() && g_pProfile->folderList.empty());
  const std::string windows = ShellFolder(CSIDL_WINDOWS);
  g_picked = {"", "C:\\", windows + "\\", "C:\\"};
  for (int answer : {IDOK, IDNO, IDNO, IDYES}) {
    AnswerNextBox(answer);
    Click(dialog_.m_eraseFoldersPage, IDC_ADD);
  }
  auto shown = TakeShownBoxes();
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[0].text, "Failed getting directory!");
  EXPECT_NE(shown[2].text.find("would delete Windows itself"), std::string::npos) << shown[2].text;
  EXPECT_EQ(shown[3].defaultButton, IDNO);
  EXPECT_EQ(g_pProfile->folderList, std::vector<std::string>{"C:\\"}) << "only after a Yes";
  g_pickers = real_;
  AnswerNextBox(IDOK, windows + "\\win.ini");
  Click(dialog_.m_wipeFilesPage, IDC_ADD);
  EXPECT_EQ(g_pProfile->fileList, std::vector<std::string>{windows + "\\win.ini"});
}

}  // namespace
