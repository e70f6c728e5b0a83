// Dialogs from templates in the resources, modal (DoModal) or modeless
// (Create). One static dialog procedure finds the object (stored at
// WM_INITDIALOG) and calls its small virtual hooks; each answers whether it
// handled the message, and default processing does the rest. Nothing thrown
// ever crosses the window system's callback.
#pragma once

#include "framework/Wnd.h"

class CDataExchange;

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId) : m_templateId(templateId) {}
  // Destroys a window still open (a modeless one) without calling back into
  // the half-destroyed object.
  ~CDialog() override;

  INT_PTR DoModal(HWND parent = nullptr);
  BOOL Create(HWND parent);
  void EndDialog(INT_PTR result) const { ::EndDialog(m_hWnd, result); }

  // TRUE copies the controls into the bound variables and checks them, FALSE
  // the variables into the controls. A failed check has told the user, put
  // the focus on the control concerned and made the answer FALSE.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  virtual void DoDataExchange(CDataExchange*) {}

 protected:
  // The framework's initialisation: UpdateData(FALSE); TRUE lets the system
  // place the focus.
  virtual BOOL OnInitDialog();
  // A command by id (WM_COMMAND); the default handles IDOK and IDCANCEL.
  virtual bool OnCommand(UINT id, UINT code);
  // A modal dialog ends on OK (after its data is stored and checked) and on
  // Cancel; a modeless one ignores both, so that Enter or Escape in a page
  // never destroys it.
  virtual void OnOK();
  virtual void OnCancel();
  virtual bool OnNotify(NMHDR*, LRESULT*) { return false; }
  virtual bool OnSysCommand(UINT, LPARAM) { return false; }
  virtual bool OnPaint() { return false; }
  virtual void OnDestroy() {}
  virtual HICON OnQueryDragIcon() { return nullptr; }
  // Any other message (the program's own among them): true when handled,
  // with its answer in `result`.
  virtual bool OnMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  UINT m_templateId;
  bool m_modal = false;
};
