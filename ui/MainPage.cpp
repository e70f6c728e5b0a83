#include "ui/MainPage.h"

#include "ui/SweepDlg.h"

void CMainPage::AppendLine(const std::string& text) {
  int at = m_log.InsertString(m_log.GetCount(), text.c_str());
  // The newest line stays in view: a run's summary comes last, below the
  // fold of a long run, and nothing is selected to scroll it there.
  RECT client = {};
  GetClientRect(m_log.m_hWnd, &client);
  int height = static_cast<int>(m_log.SendMessage(LB_GETITEMHEIGHT, 0));
  int visible = height > 0 && client.bottom >= height ? client.bottom / height : 1;
  if (at >= visible) m_log.SendMessage(LB_SETTOPINDEX, at - visible + 1);
}

void CMainPage::ShowRunning(bool running) {
  HWND clean = GetDlgItem(IDC_CLEAN);
  SetWindowTextA(clean, running ? "Stop" : "Clean");
  EnableWindow(GetDlgItem(IDC_CLEAN_AND_REBOOT), !running);
  // The focus may have been on "Clean and Reboot", now disabled, or on the
  // Options page's buttons, now hidden: the keyboard would reach nothing.
  if (running)
    ::SendMessageA(GetParent(m_hWnd), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(clean), TRUE);
}

void CMainPage::Clean() { g_pMainDlg->StartRun(false); }

void CMainPage::CleanAndReboot() { g_pMainDlg->StartRun(true); }

void CMainPage::OpenHelpFile() {
  ShellExecuteA(GetParent(m_hWnd), "open", "Tidewisp.HLP", nullptr, nullptr, SW_SHOWNORMAL);
}

bool CMainPage::OnCommand(UINT id, UINT code) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_CLEAN:
      if (g_pMainDlg->Running())
        g_pMainDlg->StopRun();
      else
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
