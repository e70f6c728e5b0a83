// Start-up of the interactive program, from outside its process: RUNS
// interleaved starts of Tidewisp and of the bare program, each timed from
// CreateProcess to its main window accepting input, then closed (WM_CLOSE)
// and waited for (bench/startup.sh runs it; docs/benchmarks.md).
//
//   bench_startup RUNS PROGRAM BARE
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "tools/TidewispWindows.h"

namespace {

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
    if (!splashSeen && FindShown(Which::kSplash, info.dwProcessId)) {
      splashSeen = true;
      start.splash = since();
    }
    window = FindShown(which, info.dwProcessId);
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: bench_startup RUNS PROGRAM BARE\n");
    return 2;
  }
  return Measure(std::atoi(argv[1]), argv[2], argv[3]);
}
