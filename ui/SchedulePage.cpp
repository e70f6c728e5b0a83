#include "profile/SweepProfile.h"
#include "ui/Pages.h"

void CSchedulePage::DoDataExchange(CDataExchange* dx) {
  DDX_Control(dx, IDC_DAYS_SPIN, m_spin);
  // Exchanged through a copy: a count that fails its check never reaches the
  // profile, nor so the registry.
  int days = g_pProfile->when;
  DDX_Text(dx, IDC_DAYS, days);
  DDV_MinMaxInt(dx, days, 0, 999);
  if (dx->m_bSaveAndValidate && !dx->m_bFailed) g_pProfile->when = days;
}

BOOL CSchedulePage::OnInitDialog() {
  CDialog::OnInitDialog();
  m_spin.SetBuddy(GetDlgItem(IDC_DAYS));
  // The arrows step from 1 to 999; a typed 0 ("at every start") is accepted.
  m_spin.SetRange(1, 999);
  int choice = !g_pProfile->di[kSchedule] ? IDC_NO_SCHEDULE
               : g_pProfile->when         ? IDC_EVERY_DAYS
                                          : IDC_EVERY_START;
  CheckRadioButton(m_hWnd, IDC_NO_SCHEDULE, IDC_EVERY_DAYS, choice);
  return TRUE;
}

bool CSchedulePage::OnCommand(UINT id, UINT code) {
  if (code != BN_CLICKED) return CDialog::OnCommand(id, code);
  switch (id) {
    case IDC_NO_SCHEDULE:
      g_pProfile->di[kSchedule] = 0;
      break;
    case IDC_EVERY_START:
      g_pProfile->di[kSchedule] = 1;
      g_pProfile->when = 0;
      UpdateData(FALSE);
      break;
    case IDC_EVERY_DAYS:
      g_pProfile->di[kSchedule] = 1;
      UpdateData(TRUE);  // a count that fails leaves `when` as it was
      break;
    default:
      return CDialog::OnCommand(id, code);
  }
  g_pProfile->Save();
  return true;
}
