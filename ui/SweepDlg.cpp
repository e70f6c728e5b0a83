#include "ui/SweepDlg.h"

#include "engine/Stop.h"
#include "framework/WinApp.h"
#include "profile/ScheduledRecord.h"
#include "profile/SweepProfile.h"

CSweepDlg* g_pMainDlg = nullptr;

namespace {

const char* const kTabNames[] = {"Main", "Schedule", "Options", "Wipe Files", "Erase Folders"};

HICON LoadAppIcon(int size) {
  return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME),
                                       IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

}  // namespace

CSweepDlg::CSweepDlg()
    : CDialog(IDD_TIDEWISP_DIALOG),
      // The 16-pixel image is drawn for its size: better than the 32 shrunk.
      m_hIcon(LoadAppIcon(GetSystemMetrics(SM_CXICON))),
      m_hSmallIcon(LoadAppIcon(GetSystemMetrics(SM_CXSMICON))) {}

CSweepDlg::~CSweepDlg() {
  if (g_pRunView == this) g_pRunView = nullptr;
  DestroyIcon(m_hIcon);
  DestroyIcon(m_hSmallIcon);
}

void CSweepDlg::ShowSplash(void (*meanwhile)()) {
  m_splash.Create(nullptr);
  m_splash.ShowWindow(SW_SHOW);
  if (CWinApp* app = AfxGetApp()) app->BeginWaitCursor();
  m_splash.RedrawNow();
  ULONGLONG shown = GetTickCount64();
  if (meanwhile) meanwhile();
  ULONGLONG spent = GetTickCount64() - shown;
  if (spent < 1000) Sleep(static_cast<DWORD>(1000 - spent));
}

void CSweepDlg::DoDataExchange(CDataExchange* dx) {
  DDX_Control(dx, IDC_PAGE_FRAME, m_pageFrame);
  DDX_Control(dx, IDC_TAB, m_tab);
}

BOOL CSweepDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (HMENU menu = GetSystemMenu(m_hWnd, FALSE)) {
    char about[64] = {};
    if (LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, about, sizeof about) > 0) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, about);
    }
  }
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));
  m_banner.Fit(m_hWnd, IDB_BANNER, RECT{13, 34, 312, 37});
  // The tab control lies under the banner and the pages: it must not paint
  // over them.
  SetWindowLongA(m_tab.m_hWnd, GWL_STYLE,
                 GetWindowLongA(m_tab.m_hWnd, GWL_STYLE) | WS_CLIPSIBLINGS);

  GetWindowRect(m_pageFrame.m_hWnd, &m_pageRect);
  MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&m_pageRect), 2);
  CDialog* pages[] = {&m_mainPage, &m_schedulePage, &m_optionsPage, &m_wipeFilesPage,
                      &m_eraseFoldersPage};
  for (int i = 0; i < 5; ++i) {
    pages[i]->Create(m_hWnd);
    HWND page = pages[i]->m_hWnd;
    // Tab and Shift+Tab reach into the visible page, and the page shows the
    // tab's own background.
    SetWindowLongA(page, GWL_EXSTYLE, GetWindowLongA(page, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    EnableThemeDialogTexture(page, ETDT_ENABLETAB);
    SetWindowPos(page, nullptr, m_pageRect.left, m_pageRect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    m_pages[i] = pages[i];
    m_tab.InsertItem(i, kTabNames[i]);
  }
  m_mainPage.ShowWindow(SW_SHOW);

  g_pRunView = this;
  // What a scheduled run did since the last start, shown once, first.
  std::vector<std::string> record = TakeScheduledRecord();
  for (const std::string& line : record) AddLogLine(line);
  if (!record.empty()) AddLogLine("");
  AddLogLine("Tidewisp ready ...");
  if (CWinApp* app = AfxGetApp()) app->EndWaitCursor();
  if (m_splash.m_hWnd) m_splash.ShowWindow(SW_HIDE);
  return TRUE;
}

bool CSweepDlg::OnNotify(NMHDR* header, LRESULT* result) {
  if (header->idFrom != IDC_TAB) return false;
  if (header->code == TCN_SELCHANGING && m_run.Running()) {
    // The Main page stays in front during a run. The disabled tab control
    // ignores the user, but not a message another program sends it.
    *result = 1;
    return true;
  }
  if (header->code == TCN_SELCHANGING) {
    // Leaving a page commits it; a page that fails its checks keeps its tab.
    CDialog* page = m_pages[m_tab.GetCurSel()];
    *result = page->UpdateData(TRUE) ? 0 : 1;
    if (*result == 0) page->ShowWindow(SW_HIDE);
    return true;
  }
  if (header->code == TCN_SELCHANGE) {
    m_pages[m_tab.GetCurSel()]->ShowWindow(SW_SHOW);
    *result = 0;
    return true;
  }
  return false;
}

void CSweepDlg::SwitchToMainAndRun(int reboot) {
  m_tab.SetCurSel(0);
  m_optionsPage.ShowWindow(SW_HIDE);
  m_mainPage.ShowWindow(SW_SHOW);
  m_mainPage.DispatchClean(reboot);
}

void CSweepDlg::AddLogLine(const std::string& text) {
  SendMessage(kRunLine, 0, reinterpret_cast<LPARAM>(&text));
}

bool CSweepDlg::AskYesNo(const std::string& text) {
  return SendMessage(kRunQuestion, 0, reinterpret_cast<LPARAM>(&text)) == IDYES;
}

void CSweepDlg::StartRun(bool reboot) {
  if (m_run.Running()) return;
  m_rebootAfterRun = reboot, m_closeAfterRun = false;
  m_run.Start(kRunAllMask, m_hWnd, kRunEnded);
  ShowRunning(true);
}

void CSweepDlg::StopRun() {
  if (m_run.Running()) RequestStop();
}

void CSweepDlg::ShowRunning(bool running) {
  // The run cleans what was selected as it started; the Main page stays in
  // front, and no other page can be reached to change a setting.
  EnableWindow(m_tab.m_hWnd, !running);
  for (CDialog* page : m_pages)
    if (page != &m_mainPage) EnableWindow(page->m_hWnd, !running);
  m_mainPage.ShowRunning(running);
  if (CWinApp* app = AfxGetApp())
    running ? app->BeginBackgroundCursor() : app->EndBackgroundCursor();
}

void CSweepDlg::EndRun() {
  if (!m_run.Running()) return;
  bool completed = m_run.Finish();
  ShowRunning(false);
  if (m_closeAfterRun)
    CDialog::OnCancel();
  else if (completed && m_rebootAfterRun)
    RequestReboot();
}

void CSweepDlg::OnCancel() {
  // Closing stops the run first: the process must not end while the run's
  // thread is erasing, nor leave the settings unsaved.
  if (!m_run.Running()) return CDialog::OnCancel();
  m_closeAfterRun = true;
  StopRun();
}

bool CSweepDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const std::string* text = reinterpret_cast<const std::string*>(lParam);
  switch (message) {
    case kRunLine:
      m_mainPage.AppendLine(*text);
      return true;
    case kRunQuestion:
      // Whatever was asked, No does the less: a stopping run asks no one.
      *result = StopRequested()
                    ? IDNO
                    : MessageBoxA(m_hWnd, text->c_str(), "Tidewisp", MB_YESNO | MB_ICONQUESTION);
      return true;
    case kRunEnded:
      EndRun();
      return true;
    case WM_ENDSESSION:
      // Windows ends the process once this returns: the run stops first, at
      // its next safe point, never inside a swap.
      if (wParam && m_run.Running()) {
        RequestStop();
        m_run.Finish();
        ShowRunning(false);
      }
      return false;
  }
  return false;
}

bool CSweepDlg::OnSysCommand(UINT id, LPARAM) {
  if ((id & 0xFFF0) != IDM_ABOUTBOX) return false;
  CAboutDlg about;
  about.DoModal(m_hWnd);
  return true;
}

bool CSweepDlg::OnPaint() {
  if (!IsIconic(m_hWnd)) return false;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(m_hWnd, &paint);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc));
  int width = GetSystemMetrics(SM_CXICON), height = GetSystemMetrics(SM_CYICON);
  RECT client;
  GetClientRect(m_hWnd, &client);
  DrawIcon(dc, (client.right - width + 1) / 2, (client.bottom - height + 1) / 2, m_hIcon);
  EndPaint(m_hWnd, &paint);
  return true;
}

void CSweepDlg::OnDestroy() {
  // Whatever ends the window, the run ends first, and its stamp is saved.
  if (m_run.Running()) {
    RequestStop();
    m_run.Finish();
    ShowRunning(false);
  }
  // Ticks changed since the Options page was last left reach the settings.
  m_optionsPage.UpdateData(TRUE);
  g_pProfile->Save();
  WinHelpA(m_hWnd, nullptr, HELP_QUIT, 0);
  g_pRunView = nullptr;
}
