// Peak memory of erasing one tree: bench/memory.sh runs it on trees of
// 10,000 and 100,000 files and prints the ratio.
//
//   bench_memory.exe <folder>   prints "<peak working set> <working set before>" in bytes
#include <cstdio>
#include <string>

#include "bench/BenchSupport.h"
#include "engine/Primitives.h"
#include "platform/win32.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_memory <folder>\n");
    return 2;
  }
  std::string folder = argv[1];
  SIZE_T before = Counters().WorkingSetSize;
  EraseFolderContents(folder, 0, 0);
  if (long left = EntriesLeft(folder)) std::fprintf(stderr, "%ld entries left\n", left);
  std::printf("%llu %llu\n", static_cast<unsigned long long>(Counters().PeakWorkingSetSize),
              static_cast<unsigned long long>(before));
  return 0;
}
