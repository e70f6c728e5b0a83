// Tidewisp's windows as another program finds them: the window driver of the
// scripts and tests (tools/WindowDriver.cpp) and the start-up benchmark.
#pragma once

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
