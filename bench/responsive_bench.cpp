// A long run seen from outside the process: Tidewisp is started, its Clean
// pressed, and its window asked WM_NULL every 10 ms while the run lasts
// (tools/TidewispWindows.h, WatchRun). It prints the longest time between two
// answers, and for Stop or a close, how long the run (or the process) took to
// end after it (bench/responsive.sh runs it; docs/benchmarks.md).
//
//   bench_responsive PROGRAM none|stop|close AFTER_MS
//       AFTER_MS: from "Erasing Windows Temporary Folder..." to Stop or the
//       close.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/TidewispWindows.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: bench_responsive PROGRAM none|stop|close AFTER_MS\n");
    return 2;
  }
  const std::string mode = argv[2];
  const Then then = mode == "stop" ? Then::kStop : mode == "close" ? Then::kClose : Then::kNothing;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  std::string commandLine = "\"" + std::string(argv[1]) + "\"";
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    std::fprintf(stderr, "bench_responsive: cannot start %s\n", argv[1]);
    return 1;
  }
  CloseHandle(info.hThread);
  HWND main = WaitFor(Which::kMain, 60000, info.dwProcessId);
  if (!main) {
    std::fprintf(stderr, "bench_responsive: no main window\n");
    TerminateProcess(info.hProcess, 1);
    return 1;
  }
  WaitForInputIdle(info.hProcess, 10000);
  // An answer is waited for as long as it takes: a slow one is a gap, not a
  // miss.
  RunWatch run = WatchRun(main, info.hProcess, L"Erasing Windows Temporary Folder...",
                          std::strtoul(argv[3], nullptr, 10), then, 60000, 600000);
  std::printf("%s: longest gap %lu ms over %d polls; ", mode.c_str(),
              static_cast<unsigned long>(run.longestGapMs), run.polls);
  if (then == Then::kNothing)
    std::printf("run %.2f s", run.endMs / 1000.0);
  else
    std::printf("%s after %.2f s, ended %lu ms later", mode.c_str(), run.actedMs / 1000.0,
                static_cast<unsigned long>(run.endMs - run.actedMs));
  std::printf("; last line: %ls\n", run.lines.empty() ? L"" : run.lines.back().c_str());
  bool ended = run.endMs && (then == Then::kClose || CloseAndWait(main, info.hProcess, 60000));
  if (!ended) TerminateProcess(info.hProcess, 1);
  CloseHandle(info.hProcess);
  return ended ? 0 : 1;
}
