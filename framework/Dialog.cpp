#include "framework/Dialog.h"

#include <algorithm>

#include "framework/DataExchange.h"
#include "framework/WinApp.h"

namespace {

// A top-level dialog opens in the middle of the screen it is on, as dialogs
// of this framework's model do; the templates carry no position.
void CenterOnScreen(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& area = monitor.rcWork;
  int x = area.left + (area.right - area.left - (rect.right - rect.left)) / 2;
  int y = area.top + (area.bottom - area.top - (rect.bottom - rect.top)) / 2;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A text static too narrow for its text under the fonts at hand (the
// templates were laid out for MS Sans Serif; Tahoma, or a larger system
// font, runs wider) would wrap and lose its last words below its bottom
// edge: it is widened to its text, as far as the dialog reaches.
void WidenTextStatics(HWND dialog) {
  RECT client;
  GetClientRect(dialog, &client);
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char kind[8] = {}, text[256] = {};
    GetClassNameA(child, kind, sizeof kind);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(kind, "Static") || (style & SS_TYPEMASK) != SS_LEFT) continue;
    int length = GetWindowTextA(child, text, sizeof text);
    HDC dc = GetDC(child);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, length, &size);
    SelectObject(dc, old);
    ReleaseDC(child, dc);
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    if (size.cx <= rect.right - rect.left) continue;
    int width = std::min<int>(size.cx + 2, client.right - rect.left);
    SetWindowPos(child, nullptr, 0, 0, width, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

}  // namespace

CDialog::~CDialog() {
  if (m_hWnd && IsWindow(m_hWnd)) {
    SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
    DestroyWindow(m_hWnd);
  }
}

INT_PTR CDialog::DoModal(HWND parent) {
  m_modal = true;
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), parent,
                         DialogProc, reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create(HWND parent) {
  m_modal = false;
  return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), parent,
                            DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return !dx.m_bFailed;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

bool CDialog::OnCommand(UINT id, UINT) {
  if (id == IDOK) OnOK();
  if (id == IDCANCEL) OnCancel();
  return id == IDOK || id == IDCANCEL;
}

void CDialog::OnOK() {
  if (m_modal && UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() {
  if (m_modal) EndDialog(IDCANCEL);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    reinterpret_cast<CDialog*>(lParam)->m_hWnd = window;
  }
  auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(window, DWLP_USER));
  if (!dialog) return FALSE;
  INT_PTR result = FALSE;
  try {
    result = dialog->Dispatch(message, wParam, lParam);
  } catch (...) {
    // An error of ours must not unwind through the window system's frames;
    // the message then gets default processing.
    result = FALSE;
  }
  if (message == WM_NCDESTROY) dialog->m_hWnd = nullptr;
  return result;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      if (!(GetWindowLongA(m_hWnd, GWL_STYLE) & WS_CHILD)) CenterOnScreen(m_hWnd);
      WidenTextStatics(m_hWnd);
      return OnInitDialog();
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (!OnNotify(reinterpret_cast<NMHDR*>(lParam), &result)) return FALSE;
      SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_SYSCOMMAND:
      return OnSysCommand(static_cast<UINT>(wParam), lParam);
    case WM_PAINT:
      return OnPaint();
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    case WM_SETCURSOR: {
      // While the application's wait or background cursor is on, every
      // window shows it.
      LPCSTR shape = AfxGetApp() ? AfxGetApp()->CursorShape() : nullptr;
      if (!shape) return FALSE;
      SetCursor(LoadCursorA(nullptr, shape));
      SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, TRUE);
      return TRUE;
    }
    case WM_DESTROY:
      OnDestroy();
      return FALSE;
  }
  LRESULT result = 0;
  if (!OnMessage(message, wParam, lParam, &result)) return FALSE;
  SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
  return TRUE;
}
