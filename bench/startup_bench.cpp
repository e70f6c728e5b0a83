// Start-up of the interactive program, from outside its process: the
// benchmark's launcher, and the window driver of scripts/start.sh and
// scripts/screenshots.sh (they run it in the same Wine prefix and desktop).
//
//   bench_startup [/desktop=NAME] COMMAND ...
//       /desktop=NAME: looks for the windows in that Wine virtual desktop
//       (`wine explorer /desktop=NAME,WxH program` shows them there).
//   bench_startup measure RUNS PROGRAM BARE
//       RUNS interleaved starts of each: the time from CreateProcess to the
//       main window accepting input, then WM_CLOSE and the wait for its end.
//   bench_startup wait splash|main|about TIMEOUT_MS
//       waits until that window is shown (the main window: and its thread
//       idle); prints its rectangle "left top right bottom".
//   bench_startup tab N       shows tab N of the main window (TCM_SETCURFOCUS)
//   bench_startup about       opens the About box (WM_SYSCOMMAND, posted)
//   bench_startup close-about closes the About box (OK)
//   bench_startup close TIMEOUT_MS
//       WM_CLOSE to the main window, then waits for the program to end.
// Exit code 0 on success, 1 when a window was not found or a wait ran out.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "platform/win32.h"

namespace {

const UINT kAboutCommand = 0x0010;  // the system menu's "About Tidewisp..."
const int kTabId = 1000;            // the main window's tab control

enum class Which { kSplash, kMain, kAbout, kBare };

struct Search {
  Which which;
  DWORD pid;  // 0: any process
  HWND found;
};

bool IsDialog(HWND window) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  return std::strcmp(name, "#32770") == 0;
}

std::string TitleOf(HWND window) {
  char title[64] = {};
  GetWindowTextA(window, title, sizeof title);
  return title;
}

bool Matches(HWND window, Which which) {
  if (!IsDialog(window) || !IsWindowVisible(window)) return false;
  std::string title = TitleOf(window);
  switch (which) {
    case Which::kSplash:  // a captionless popup with the splash picture
      return title.empty() && (GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) != WS_CAPTION;
    case Which::kMain: {
      HWND tab = GetDlgItem(window, kTabId);
      return title == "Tidewisp" && tab && SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0) == 5;
    }
    case Which::kAbout:
      return title == "About Tidewisp";
    case Which::kBare:
      return title == "Bare";
  }
  return false;
}

BOOL CALLBACK Visit(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (search->pid) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid) return TRUE;
  }
  if (!Matches(window, search->which)) return TRUE;
  search->found = window;
  return FALSE;
}

HWND Find(Which which, DWORD pid = 0) {
  Search search = {which, pid, nullptr};
  EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Polls every millisecond until the window is shown or the time runs out.
HWND WaitFor(Which which, DWORD timeoutMs, DWORD pid = 0) {
  DWORD start = GetTickCount();
  for (;;) {
    if (HWND window = Find(which, pid)) return window;
    if (GetTickCount() - start > timeoutMs) return nullptr;
    Sleep(1);
  }
}

HANDLE ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid);
}

// WM_CLOSE (the program saves its settings and ends), then the wait for its
// end; ended by force only when it outlives the time, and said so.
bool CloseAndWait(HWND window, HANDLE process, DWORD timeoutMs) {
  PostMessageA(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0) return true;
  std::fprintf(stderr, "bench_startup: the program did not end within %lu ms after WM_CLOSE\n",
               static_cast<unsigned long>(timeoutMs));
  return false;
}

// One start's moments, in seconds from CreateProcess: the splash first seen
// (Tidewisp only), the window first seen, and the window accepting input.
struct Start {
  double splash = 0, shown = 0, ready = -1;  // ready < 0: the start failed
};

// The window accepts input when it is shown, with its controls, and its
// thread has gone idle in the dialog's loop. Shown alone would count the
// moment before the loop runs. WaitForInputIdle alone would return at the
// first wait for input of any window, a splash that pumped messages
// included; under Wine 8 it returned only once the main dialog's loop ran
// (the splash's one-second Sleep is no wait for input), some 25 ms after the
// poll below saw the window.
Start TimeOneStart(const std::string& program, Which which) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  std::string commandLine = "\"" + program + "\"";
  LARGE_INTEGER frequency, begin;
  QueryPerformanceFrequency(&frequency);
  auto since = [&] {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart - begin.QuadPart) / double(frequency.QuadPart);
  };
  Start start;
  QueryPerformanceCounter(&begin);
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    std::fprintf(stderr, "bench_startup: cannot start %s\n", program.c_str());
    return start;
  }
  // Polled every millisecond, as a user's first click would find it.
  HWND window = nullptr;
  bool splashSeen = which != Which::kMain;
  while (!window && since() < 30) {
    if (!splashSeen && Find(Which::kSplash, info.dwProcessId)) {
      splashSeen = true;
      start.splash = since();
    }
    window = Find(which, info.dwProcessId);
    if (!window) Sleep(1);
  }
  if (window) {
    start.shown = since();
    if (WaitForInputIdle(info.hProcess, 30000) == 0) start.ready = since();
  }
  if (!window || !CloseAndWait(window, info.hProcess, 20000)) {
    // The last resort: a program left running would distort the next start.
    TerminateProcess(info.hProcess, 1);
    WaitForSingleObject(info.hProcess, 5000);
    start.ready = -1;
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return start;
}

int Measure(int runs, const std::string& program, const std::string& bare) {
  std::vector<double> ours, floor, splash, shown, bareShown;
  for (int i = 0; i < runs; ++i) {
    // The order alternates, so neither always starts right after the other
    // has ended (and Tidewisp has written its settings).
    Start a, b;
    if (i % 2 == 0) {
      a = TimeOneStart(program, Which::kMain);
      b = TimeOneStart(bare, Which::kBare);
    } else {
      b = TimeOneStart(bare, Which::kBare);
      a = TimeOneStart(program, Which::kMain);
    }
    if (a.ready < 0 || b.ready < 0) return 1;
    ours.push_back(a.ready);
    floor.push_back(b.ready);
    splash.push_back(a.splash);
    shown.push_back(a.shown);
    bareShown.push_back(b.shown);
    std::printf("run %2d: tidewisp %.3f s (splash %.3f, shown %.3f) | bare %.3f s (shown %.3f)\n",
                i + 1, a.ready, a.splash, a.shown, b.ready, b.shown);
    std::fflush(stdout);
  }
  std::printf("median: tidewisp %.3f s (splash %.3f, shown %.3f) | bare %.3f s (shown %.3f)\n",
              Median(ours), Median(splash), Median(shown), Median(floor), Median(bareShown));
  std::printf("ratio tidewisp / bare: %.3f (target <= 1.05)\n", Median(ours) / Median(floor));
  return 0;
}

void PrintRect(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
}

int Usage() {
  std::fprintf(stderr,
               "usage: bench_startup [/desktop=NAME] measure RUNS PROGRAM BARE | wait splash|main|about MS |"
               " tab N | about | close-about | close MS\n");
  return 2;
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
      std::fprintf(stderr, "bench_startup: no desktop %s\n", argv[1] + 9);
      return 1;
    }
    --argc;
    ++argv;
  }
  if (argc < 2) return Usage();
  std::string command = argv[1];
  if (command == "measure" && argc == 5) return Measure(std::atoi(argv[2]), argv[3], argv[4]);
  if (command == "wait" && argc == 4) {
    std::string what = argv[2];
    DWORD timeoutMs = std::strtoul(argv[3], nullptr, 10);
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
      std::fprintf(stderr, "bench_startup: no %s window within %lu ms\n", what.c_str(),
                   static_cast<unsigned long>(timeoutMs));
      return 1;
    }
    PrintRect(window);
    return 0;
  }
  HWND main = Find(Which::kMain);
  if (command == "close-about") {
    HWND about = Find(Which::kAbout);
    if (!about) return 1;
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    return 0;
  }
  if (!main) {
    std::fprintf(stderr, "bench_startup: the main window is not shown\n");
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
  if (command == "close" && argc == 3) {
    HANDLE process = ProcessOf(main);
    bool ended = CloseAndWait(main, process, std::strtoul(argv[2], nullptr, 10));
    CloseHandle(process);
    return ended ? 0 : 1;
  }
  return Usage();
}
