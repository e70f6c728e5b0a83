#include "framework/WinApp.h"

namespace {
CWinApp* g_pApp = nullptr;
}

CWinApp::CWinApp() { g_pApp = this; }

CWinApp::~CWinApp() {
  if (g_pApp == this) g_pApp = nullptr;
}

void CWinApp::BeginWaitCursor() {
  ++m_nWaitCursorCount;
  ShowCursorShape();
}

void CWinApp::EndWaitCursor() {
  if (m_nWaitCursorCount > 0 && --m_nWaitCursorCount == 0) ShowCursorShape();
}

void CWinApp::BeginBackgroundCursor() {
  ++m_nBackgroundCursorCount;
  ShowCursorShape();
}

void CWinApp::EndBackgroundCursor() {
  if (m_nBackgroundCursorCount > 0 && --m_nBackgroundCursorCount == 0) ShowCursorShape();
}

LPCSTR CWinApp::CursorShape() const {
  if (m_nWaitCursorCount > 0) return MAKEINTRESOURCEA(32514);        // IDC_WAIT
  if (m_nBackgroundCursorCount > 0) return MAKEINTRESOURCEA(32650);  // IDC_APPSTARTING
  return nullptr;
}

// At once, without waiting for the pointer to move: WM_SETCURSOR keeps the
// shape from then on.
void CWinApp::ShowCursorShape() const {
  LPCSTR shape = CursorShape();
  SetCursor(LoadCursorA(nullptr, shape ? shape : MAKEINTRESOURCEA(32512)));  // IDC_ARROW
}

CWinApp* AfxGetApp() { return g_pApp; }

CWnd* AfxGetMainWnd() { return g_pApp ? g_pApp->m_pMainWnd : nullptr; }

std::string AfxGetAppName() {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name(path, length < MAX_PATH ? length : 0);
  size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

int AfxMessageBox(const char* text, UINT type, UINT /*helpId*/) {
  CWnd* owner = AfxGetMainWnd();
  return MessageBoxA(owner ? owner->m_hWnd : nullptr, text, AfxGetAppName().c_str(), type);
}
