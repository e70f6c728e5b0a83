// Tidewisp's windows as another program finds them: the window driver of the
// scripts and tests (tools/WindowDriver.cpp) and the start-up benchmark.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

// The splash (a captionless dialog), the main window (captioned "Tidewisp",
// with its five tabs), the About box, and the benchmark's bare program.
enum class Which { kSplash, kMain, kAbout, kBare };

// The shown window of that kind, of process `pid` (0: of any); or none.
HWND FindShown(Which which, DWORD pid = 0);

// Polls every millisecond until the window is shown or the time runs out.
HWND WaitFor(Which which, DWORD timeoutMs, DWORD pid = 0);

// WM_CLOSE (Tidewisp saves its settings and ends), then the wait for the
// process's end; false, and said so on stderr, when it outlives the time.
bool CloseAndWait(HWND window, HANDLE process, DWORD timeoutMs);

// The control `id` of class `kind` ("Button", "ListBox") on the main
// window's pages: ids repeat from page to page.
HWND PageControl(HWND main, int id, const char* kind);

// The log's lines from `first` on, in UTF-16 (under Wine 8, LB_GETTEXTA from
// another process hands over the list's Unicode text unconverted); `count`
// at most. False when the window did not answer within `timeoutMs`, each.
bool LogLines(HWND main, size_t first, size_t count, DWORD timeoutMs,
              std::vector<std::wstring>& lines, size_t* total = nullptr);

// A run as another program sees it: the window is asked WM_NULL at every poll
// (every 10 ms), with `answerMs` to answer, and what it shows is read.
enum class Then { kNothing, kStop, kClose };
struct RunWatch {
  int polls = 0;
  int unanswered = 0;               // polls not answered within answerMs
  DWORD longestGapMs = 0;           // the longest time between two answers
  bool stopShown = false;           // "Clean" read "Stop" at a poll of the run
  bool tabEnabled = false;          // the tab control was enabled at a poll of the run
  size_t firstLine = 0;             // the run's first line in the log
  std::vector<std::wstring> lines;  // the log's last line, at each change
  DWORD actedMs = 0;                // from "Clean" to Stop or WM_CLOSE
  DWORD endMs = 0;                  // from "Clean" to the run's last line, or the process's end
};
// Presses "Clean" and watches until the log's last line is "Cleaning
// complete." or "Cleaning stopped." (with kClose: until `process` has ended),
// for at most `timeoutMs`. `actAfterMs` after the log's last line first read
// `actAt`, presses "Stop" (kStop) or sends WM_CLOSE (kClose).
RunWatch WatchRun(HWND main, HANDLE process, const std::wstring& actAt, DWORD actAfterMs, Then then,
                  DWORD answerMs, DWORD timeoutMs);
