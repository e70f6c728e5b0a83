// Data exchange between a dialog's controls and the variables they show: a
// list of plain calls in DoDataExchange, each check written beside its
// exchange. After a failed check the remaining calls do nothing.
#pragma once

#include "framework/Dialog.h"

class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, BOOL saveAndValidate)
      : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

  // The control the next check speaks of.
  HWND PrepareCtrl(int id);
  // Tells the user, puts the focus on the last control prepared, and fails
  // the exchange.
  void Fail(const char* message);

  BOOL m_bSaveAndValidate;
  CDialog* m_pDlgWnd;
  bool m_bFailed = false;

 private:
  HWND m_lastControl = nullptr;
};

// Binds the control `id` to `control` (once).
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
// A check box's state, 1 or 0 (BST_INDETERMINATE reads as 0).
void DDX_Check(CDataExchange* dx, int id, int& value);
// An edit box's text as a decimal 32-bit integer; a text that is not a whole
// number fails the exchange and leaves `value` as it was.
void DDX_Text(CDataExchange* dx, int id, int& value);
// In the storing direction, fails unless min <= value <= max.
void DDV_MinMaxInt(CDataExchange* dx, int value, int min, int max);
