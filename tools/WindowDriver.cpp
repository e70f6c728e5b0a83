// Drives Tidewisp's windows from outside its process, for scripts/start.sh,
// scripts/screenshots.sh and tests/dll-search/check.sh (run in the same Wine
// prefix, and desktop, as the program).
//
//   window-driver [/desktop=NAME] COMMAND ...
//       /desktop=NAME: looks for the windows in that Wine virtual desktop
//       (`wine explorer /desktop=NAME,WxH program` shows them there).
//   window-driver wait splash|main|about TIMEOUT_MS
//       waits until that window is shown (the main window: and its thread
//       idle); prints its rectangle "left top right bottom".
//   window-driver tab N       shows tab N of the main window (TCM_SETCURFOCUS)
//   window-driver about       opens the About box (WM_SYSCOMMAND, posted)
//   window-driver close-about closes the About box (OK)
//   window-driver close TIMEOUT_MS
//       WM_CLOSE to the main window, then waits for the program to end.
//   window-driver clean TIMEOUT_MS
//       presses the Main page's Clean (posted) and waits until the log's
//       last line is "Cleaning complete."
//   window-driver hold MS PATH...
//       holds each file open with no sharing for MS milliseconds, as another
//       program would (needs no window).
// Exit code 0 on success, 1 when a window was not found or a wait ran out.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/TidewispWindows.h"

namespace {

const UINT kAboutCommand = 0x0010;  // the system menu's "About Tidewisp..."
const int kTabId = 1000;            // the main window's tab control
const int kCleanId = 1002;          // the Main page's "Clean"
const int kLogId = 1004;            // the Main page's log list

// The window answers all along: the log is read until its last line ends the
// run.
int Clean(HWND main, DWORD timeoutMs) {
  if (!PageControl(main, kCleanId, "Button") || !PageControl(main, kLogId, "ListBox")) {
    std::fprintf(stderr, "window-driver: the Main page's Clean and log are not there\n");
    return 1;
  }
  RunWatch watch = WatchRun(main, nullptr, L"", 0, Then::kNothing, timeoutMs, timeoutMs);
  if (!watch.lines.empty() && watch.lines.back() == L"Cleaning complete.") return 0;
  std::fprintf(stderr, "window-driver: the run did not end within %lu ms\n",
               static_cast<unsigned long>(timeoutMs));
  return 1;
}

int Hold(DWORD ms, int count, char** paths) {
  for (int i = 0; i < count; ++i) {
    if (CreateFileA(paths[i], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr) ==
        INVALID_HANDLE_VALUE) {
      std::fprintf(stderr, "window-driver: cannot hold %s\n", paths[i]);
      return 1;
    }
  }
  Sleep(ms);  // the handles close with the process
  return 0;
}

HANDLE ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid);
}

void PrintRect(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
}

int Usage() {
  std::fprintf(stderr,
               "usage: window-driver [/desktop=NAME] wait splash|main|about MS | tab N | about |"
               " close-about | close MS | clean MS | hold MS PATH...\n");
  return 2;
}

int Wait(const std::string& what, DWORD timeoutMs) {
  HWND window = nullptr;
  if (what == "main") {
    window = WaitFor(Which::kMain, timeoutMs);
    if (window) {
      HANDLE process = ProcessOf(window);
      WaitForInputIdle(process, timeoutMs);
      CloseHandle(process);
    }
  } else if (what == "splash") {
    window = WaitFor(Which::kSplash, timeoutMs);
  } else if (what == "about") {
    window = WaitFor(Which::kAbout, timeoutMs);
  } else {
    return Usage();
  }
  if (!window) {
    std::fprintf(stderr, "window-driver: no %s window within %lu ms\n", what.c_str(),
                 static_cast<unsigned long>(timeoutMs));
    return 1;
  }
  PrintRect(window);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Window rectangles in real pixels, also at 150 %.
  SetProcessDPIAware();
  if (argc > 1 && std::strncmp(argv[1], "/desktop=", 9) == 0) {
    // Windows are found only on the finder's own desktop: this thread moves
    // to the named one before it makes any window.
    // Explorer makes the desktop a moment after it starts: try for 30 s.
    HDESK desktop = nullptr;
    for (int i = 0; i < 3000 && !desktop; ++i) {
      desktop = OpenDesktopA(argv[1] + 9, 0, FALSE, GENERIC_ALL);
      if (!desktop) Sleep(10);
    }
    if (!desktop || !SetThreadDesktop(desktop)) {
      std::fprintf(stderr, "window-driver: no desktop %s\n", argv[1] + 9);
      return 1;
    }
    --argc;
    ++argv;
  }
  if (argc < 2) return Usage();
  std::string command = argv[1];
  if (command == "wait" && argc == 4) return Wait(argv[2], std::strtoul(argv[3], nullptr, 10));
  if (command == "hold" && argc >= 4)
    return Hold(std::strtoul(argv[2], nullptr, 10), argc - 3, argv + 3);
  if (command == "close-about") {
    HWND about = FindShown(Which::kAbout);
    if (!about) return 1;
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    return 0;
  }
  HWND main = FindShown(Which::kMain);
  if (!main) {
    std::fprintf(stderr, "window-driver: the main window is not shown\n");
    return 1;
  }
  if (command == "tab" && argc == 3) {
    // Across processes the tab control's own notifications reach the main
    // window, which shows the page (a WM_NOTIFY sent from here would not).
    SendMessageA(GetDlgItem(main, kTabId), TCM_SETCURFOCUS, std::atoi(argv[2]), 0);
    return 0;
  }
  if (command == "about") {
    // Posted: the About box's modal loop would block a sent message.
    PostMessageA(main, WM_SYSCOMMAND, kAboutCommand, 0);
    return 0;
  }
  if (command == "clean" && argc == 3) return Clean(main, std::strtoul(argv[2], nullptr, 10));
  if (command == "close" && argc == 3) {
    HANDLE process = ProcessOf(main);
    bool ended = CloseAndWait(main, process, std::strtoul(argv[2], nullptr, 10));
    CloseHandle(process);
    return ended ? 0 : 1;
  }
  return Usage();
}
