// Timing and reporting shared by the benchmark programs.
#pragma once

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "platform/win32.h"

// Measurement only: the working-set counters are not part of the program's
// platform layer, which has no use for them. (After windows.h, which it needs.)
#include <psapi.h>

template <typename Work>
double SecondsOf(Work work) {
  auto start = std::chrono::steady_clock::now();
  work();
  std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return took.count();
}

// This process's memory counters (PeakWorkingSetSize, WorkingSetSize).
inline PROCESS_MEMORY_COUNTERS Counters() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters;
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Entries left below a folder (0 when it is gone or empty): a contender that
// left work undone would look fast.
inline long EntriesLeft(const std::string& folder) {
  WIN32_FIND_DATAA record;
  HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &record);
  if (find == INVALID_HANDLE_VALUE) return 0;
  long count = 0;
  do {
    std::string name = record.cFileName;
    if (name == "." || name == "..") continue;
    ++count;
    if (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      count += EntriesLeft(folder + "\\" + name);
  } while (FindNextFileA(find, &record));
  FindClose(find);
  return count;
}
