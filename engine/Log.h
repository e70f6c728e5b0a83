// The cleaning run's log sink.
#pragma once

#include <string>

#include "platform/win32.h"

// What the run needs of the main window, which the user interface provides in
// interactive mode: the log list and the window's handle (the clipboard's
// owner). None in scheduled mode.
class CRunView {
 public:
  virtual void AddLogLine(const std::string& text) = 0;
  virtual HWND GetSafeHwnd() const = 0;

 protected:
  ~CRunView() = default;
};

extern CRunView* g_pRunView;

// Set once in scheduled mode, before the profile exists, and never reset:
// LogLine then discards every line.
extern int g_bSilent;

// One progress line of the run, passed unchanged to the main window's log.
void LogLine(std::string text);

// The main window's handle, or none.
HWND RunWindow();
