// Zero-wiping one large file under Wine; bench/wipe.sh times native dd on a
// file of the same size beside it and prints the ratios.
//
//   bench_wipe.exe wipe <file>    WipeFile: prints its seconds
//   bench_wipe.exe parts <file>   the same work in its two parts, as WipeFile
//                                 does it (engine/Wipe.cpp): the overwrite with
//                                 its flush (ZeroFillFrom), then DeleteFileA;
//                                 prints both times
#include <cstdio>
#include <string>

#include "bench/BenchSupport.h"
#include "engine/Primitives.h"
#include "engine/ZeroFill.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_wipe wipe|parts <file>\n");
    return 2;
  }
  std::string mode = argv[1], path = argv[2];
  if (mode == "wipe") {
    double seconds = SecondsOf([&] { WipeFile(path); });
    std::printf("%.3f\n", seconds);
  } else {
    bool opened = false;
    double fill = SecondsOf([&] { opened = ZeroFillFrom(path, 0) == ERROR_SUCCESS; });
    double remove = SecondsOf([&] { DeleteFileA(path.c_str()); });
    if (!opened) std::fprintf(stderr, "the file could not be opened\n");
    std::printf("%.3f %.3f\n", fill, remove);
  }
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
    std::fprintf(stderr, "the file is still there\n");
    return 1;
  }
  return 0;
}
