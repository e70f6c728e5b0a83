#include "framework/DataExchange.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "framework/WinApp.h"

HWND CDataExchange::PrepareCtrl(int id) {
  m_lastControl = m_pDlgWnd->GetDlgItem(id);
  return m_lastControl;
}

void CDataExchange::Fail(const char* message) {
  AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
  if (m_lastControl) {
    SetFocus(m_lastControl);
    SendMessageA(m_lastControl, EM_SETSEL, 0, -1);
  }
  m_bFailed = true;
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (!control.m_hWnd) control.m_hWnd = dx->m_pDlgWnd->GetDlgItem(id);
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
  if (dx->m_bFailed) return;
  HWND box = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate)
    value = SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
  else
    SendMessageA(box, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

void DDX_Text(CDataExchange* dx, int id, int& value) {
  if (dx->m_bFailed) return;
  HWND edit = dx->PrepareCtrl(id);
  if (!dx->m_bSaveAndValidate) {
    SetDlgItemInt(dx->m_pDlgWnd->m_hWnd, id, static_cast<UINT>(value), TRUE);
    return;
  }
  char text[64] = {};
  GetWindowTextA(edit, text, sizeof text);
  // Blanks around an optional sign and the digits; anything else, or a number
  // beyond 32 bits, is not a whole number.
  char* end = nullptr;
  errno = 0;
  long long number = std::strtoll(text, &end, 10);
  while (*end == ' ' || *end == '\t') ++end;
  if (end == text || *end || errno == ERANGE || number < INT32_MIN || number > INT32_MAX) {
    dx->Fail("Please enter a whole number.");
    return;
  }
  value = static_cast<int>(number);
}

void DDV_MinMaxInt(CDataExchange* dx, int value, int min, int max) {
  if (dx->m_bFailed || !dx->m_bSaveAndValidate || (value >= min && value <= max)) return;
  char message[96];
  std::snprintf(message, sizeof message, "Please enter a whole number between %d and %d.", min,
                max);
  dx->Fail(message);
}
