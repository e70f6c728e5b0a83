// The application object and the framework's message box.
//
// Exactly one CWinApp-derived object exists, constructed during static
// initialisation; the entry point (WinMain.cpp, Windows build) calls its
// InitInstance, which holds the whole working life of the process.
#pragma once

#include <string>

#include "framework/Object.h"
#include "platform/win32.h"

class CWinApp : public CObject {
 public:
  CWinApp();
  ~CWinApp() override;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance() { return FALSE; }

  // The window that message boxes and the wait cursor belong to; none until
  // the user interface makes one.
  HWND m_hMainWnd = nullptr;
};

CWinApp* AfxGetApp();

// The application's name: the executable's base name without its extension,
// as the system reports the module's path ("tidewisp").
std::string AfxGetAppName();

// A modal message box with the application's name as caption.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
