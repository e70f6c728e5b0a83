#include "ui/MainPage.h"

#include "profile/SweepProfile.h"
#include "ui/CleanCommands.h"

void CMainPage::AppendLine(const std::string& text) {
  m_log.InsertString(m_log.GetCount(), text.c_str());
  m_log.RedrawNow();
}

void CMainPage::Clean() { RunCleaning(kRunAllMask); }

void CMainPage::CleanAndReboot() {
  RunCleaning(kRunAllMask);
  RequestReboot();
}

void CMainPage::OpenHelpFile() {
  ShellExecuteA(GetParent(m_hWnd), "open", "Tidewisp.HLP", nullptr, nullptr, SW_SHOWNORMAL);
}

bool CMainPage::OnCommand(UINT id, UINT code) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_CLEAN:
      Clean();
      return true;
    case IDC_CLEAN_AND_REBOOT:
      CleanAndReboot();
      return true;
    case ID_HELP_FILE:
      OpenHelpFile();
      return true;
  }
  return CDialog::OnCommand(id, code);
}
