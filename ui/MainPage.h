// The Main page: "Clean", "Clean and Reboot" and the log list of the run's
// progress lines.
#pragma once

#include <string>

#include "framework/DataExchange.h"
#include "res/resource.h"

class CMainPage : public CDialog {
 public:
  CMainPage() : CDialog(IDD_MAIN_PAGE) {}

  // The line goes to the end of the log list, the newest line in view.
  void AppendLine(const std::string& text);
  // During a run "Clean" reads "Stop" and has the focus, and "Clean and
  // Reboot" is disabled; afterwards both are as before.
  void ShowRunning(bool running);

  // Each starts a run on the main window, which the run keeps busy until
  // it ends; "Clean" then stops it.
  void Clean();
  void CleanAndReboot();
  // A run started from elsewhere (the Options page): Clean, or Clean and
  // Reboot when `reboot` is non-zero.
  void DispatchClean(int reboot) { reboot ? CleanAndReboot() : Clean(); }
  void OpenHelpFile();

  CListBox m_log;

 protected:
  void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, IDC_LOG, m_log); }
  bool OnCommand(UINT id, UINT code) override;
};
