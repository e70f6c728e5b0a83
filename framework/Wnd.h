// A window: one HWND, with one-line helpers for the messages the program sends.
// The object does not own the window; the window's own destruction (or the
// dialog that owns it) ends it.
#pragma once

#include "framework/Object.h"
#include "platform/win32.h"

class CWnd : public CObject {
 public:
  CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND GetSafeHwnd() const { return m_hWnd; }
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
  }
  BOOL ShowWindow(int command) const { return ::ShowWindow(m_hWnd, command); }
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  // Paints the window and its children at once: the splash's picture is a
  // child, and the splash's second keeps the thread from painting it.
  void RedrawNow() const {
    RedrawWindow(m_hWnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  }

  HWND m_hWnd = nullptr;
};

// The controls the pages bind: thin views of their HWND.
class CButton : public CWnd {
 public:
  int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
  void SetCheck(int check) const { SendMessage(BM_SETCHECK, check); }
};

class CListBox : public CWnd {
 public:
  int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
  int GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
  void SetCurSel(int index) const { SendMessage(LB_SETCURSEL, index); }
  void DeleteString(int index) const { SendMessage(LB_DELETESTRING, index); }
  // Inserts at `index` and widens the horizontal scroll range to the text,
  // so that a long line or path can be scrolled into view.
  int InsertString(int index, const char* text) const;
};

class CTabCtrl : public CWnd {
 public:
  int GetCurSel() const { return static_cast<int>(SendMessage(TCM_GETCURSEL)); }
  void SetCurSel(int index) const { SendMessage(TCM_SETCURSEL, index); }
  void InsertItem(int index, const char* text) const;
};

class CSpinButtonCtrl : public CWnd {
 public:
  void SetBuddy(HWND buddy) const { SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy)); }
  void SetRange(int lower, int upper) const {
    SendMessage(UDM_SETRANGE, 0, MAKELPARAM(upper, lower));
  }
};
