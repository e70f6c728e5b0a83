// The application object, its main window, wait cursors and message box.
//
// Exactly one CWinApp-derived object exists, constructed during static
// initialisation; the entry point (WinMain.cpp) calls its InitInstance, which
// holds the whole working life of the process.
#pragma once

#include <string>

#include "framework/Wnd.h"

class CWinApp : public CObject {
 public:
  CWinApp();
  ~CWinApp() override;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance() { return FALSE; }

  // The hourglass, counted: it shows from the first Begin until as many Ends.
  void BeginWaitCursor();
  void EndWaitCursor();
  // The arrow with a small hourglass (IDC_APPSTARTING), counted the same way:
  // the program works in the background and its windows still answer. The
  // hourglass wins while both are on.
  void BeginBackgroundCursor();
  void EndBackgroundCursor();
  // The pointer every window of the program shows now; none when each shows
  // its own.
  LPCSTR CursorShape() const;

  // The window that message boxes belong to; none until the user interface
  // makes one.
  CWnd* m_pMainWnd = nullptr;
  int m_nWaitCursorCount = 0;
  int m_nBackgroundCursorCount = 0;

 private:
  void ShowCursorShape() const;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();

// The application's name: the executable's base name without its extension,
// as the system reports the module's path ("tidewisp").
std::string AfxGetAppName();

// A modal message box with the application's name as caption, owned by the
// main window when there is one.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
