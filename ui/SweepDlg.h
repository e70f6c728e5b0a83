// The main window: a tab control with five pages, the banner, the icon and
// the About entry of the system menu. It owns the splash window and hears the
// cleaning run's progress lines.
#pragma once

#include "engine/Log.h"
#include "ui/MainPage.h"
#include "ui/Pages.h"
#include "ui/SmallDialogs.h"

class CSweepDlg : public CDialog, public CRunView {
 public:
  CSweepDlg();
  ~CSweepDlg() override;

  // Shows the splash window, with the wait cursor, for one second counted
  // from its painting; `meanwhile`, if any, is done within that second.
  void ShowSplash(void (*meanwhile)() = nullptr);
  // The run's log sink: the line goes to the Main page's log list.
  void AddLogLine(const std::string& text) override { m_mainPage.AppendLine(text); }
  HWND GetSafeHwnd() const override { return m_hWnd; }
  bool AskYesNo(const std::string& text) override;
  // For the Options page's buttons: the Main page is shown and painted, then
  // the run starts (with a reboot after it when `reboot` is non-zero).
  void SwitchToMainAndRun(int reboot);

  CSplashDlg m_splash;
  CWnd m_pageFrame;
  CTabCtrl m_tab;
  HICON m_hIcon, m_hSmallIcon;
  CDialog* m_pages[5] = {};
  RECT m_pageRect = {};
  CMainPage m_mainPage;
  CSchedulePage m_schedulePage;
  COptionsPage m_optionsPage;
  CWipeFilesPage m_wipeFilesPage;
  CEraseFoldersPage m_eraseFoldersPage;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  // The window has no OK button: IDOK comes only from Enter, pressed inside a
  // page, and must not close the program. Cancel (Escape, the Close command)
  // closes it.
  void OnOK() override {}
  bool OnNotify(NMHDR* header, LRESULT* result) override;
  bool OnSysCommand(UINT id, LPARAM) override;
  bool OnPaint() override;
  HICON OnQueryDragIcon() override { return m_hIcon; }
  void OnDestroy() override;

 private:
  CPicture m_banner;
};

// The main window, from its construction to the end of start-up's scope.
extern CSweepDlg* g_pMainDlg;
