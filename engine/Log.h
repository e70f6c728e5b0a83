// The cleaning run's log sink, and the questions a run may ask.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

// What the run needs of the main window, which the user interface provides in
// interactive mode: the log list, the window's handle (the clipboard's owner)
// and the user's answer to a question. None in scheduled mode. An
// interactive run calls it from its own thread; the window answers on its.
class CRunView {
 public:
  virtual void AddLogLine(const std::string& text) = 0;
  virtual HWND GetSafeHwnd() const = 0;
  // A Yes/No message box titled "Tidewisp", owned by the main window; true
  // for Yes. The run waits for the answer.
  virtual bool AskYesNo(const std::string& text) = 0;

 protected:
  ~CRunView() = default;
};

extern CRunView* g_pRunView;

// Set once in scheduled mode, before the profile exists, and never reset:
// LogLine then discards every line.
extern int g_bSilent;

// One progress line of the run, passed unchanged to the main window's log.
void LogLine(std::string text);

// A line of the run's report: what it erased and left, each browser it found
// open or closed. Logged as LogLine logs it, and kept, in scheduled mode
// too, until the next run starts: a scheduled run leaves these lines for the
// next interactive start.
void LogReportLine(std::string text);
const std::vector<std::string>& RunReport();
void ClearRunReport();  // the run, as it starts

// Asks the user through the main window. Scheduled mode, where no one is
// there to answer, and a run without a window answer `unattended` at once.
bool AskUser(const std::string& text, bool unattended);

// The main window's handle, or none.
HWND RunWindow();
