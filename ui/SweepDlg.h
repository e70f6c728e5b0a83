// The main window: a tab control with five pages, the banner, the icon and
// the About entry of the system menu. It owns the splash window and hears the
// cleaning run's progress lines.
#pragma once

#include "engine/Log.h"
#include "ui/CleanCommands.h"
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
  // The run's log sink: the line goes to the Main page's log list. From any
  // thread: it is handed to the window's thread, and is in the list when
  // the call returns, so lines keep their order.
  void AddLogLine(const std::string& text) override;
  HWND GetSafeHwnd() const override { return m_hWnd; }
  // Asked by the window's thread, owned by the main window, while the
  // calling thread waits. No, unasked, once the run is to stop.
  bool AskYesNo(const std::string& text) override;
  // For the Options page's buttons: the Main page is shown, then the run
  // starts (with a reboot after it when `reboot` is non-zero).
  void SwitchToMainAndRun(int reboot);

  // A run on its own thread, from "Clean" (reboot false) or "Clean and
  // Reboot": meanwhile the Main page stays in front and nothing that starts
  // a run or changes a setting can be used; "Clean" reads "Stop". A reboot
  // follows only a run that went to its end.
  void StartRun(bool reboot);
  void StopRun();  // at the run's next safe point
  bool Running() const { return m_run.Running(); }

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
  // closes it; during a run, once the run has stopped.
  void OnOK() override {}
  void OnCancel() override;
  bool OnNotify(NMHDR* header, LRESULT* result) override;
  bool OnSysCommand(UINT id, LPARAM) override;
  bool OnPaint() override;
  HICON OnQueryDragIcon() override { return m_hIcon; }
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void OnDestroy() override;

 private:
  // What the run sends this window from its thread, and posts at its end.
  enum : UINT { kRunLine = WM_APP + 1, kRunQuestion, kRunEnded };
  void ShowRunning(bool running);
  void EndRun();

  CPicture m_banner;
  CCleaningRun m_run;
  bool m_rebootAfterRun = false;
  bool m_closeAfterRun = false;
};

// The main window, from its construction to the end of start-up's scope.
extern CSweepDlg* g_pMainDlg;
