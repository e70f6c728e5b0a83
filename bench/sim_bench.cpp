// The engine's own CPU cost, on the simulated machine of the host build:
// entries erased per second by EraseFolderContents on a tree of 1,000,000
// entries, with the bare loop of the same calls beside it on an identical
// tree. Build it with optimisation (bench/sim.sh does).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BareErase.h"
#include "bench/BenchSupport.h"
#include "engine/Primitives.h"
#include "platform/sim/Sim.h"

namespace {

// `folders` folders of `files` empty files each: folders * (files + 1) entries.
void MakeTree(const std::string& root, int folders, int files) {
  for (int d = 0; d < folders; ++d) {
    std::string folder = root + "\\d" + std::to_string(d);
    sim::MakeDir(folder);
    for (int f = 0; f < files; ++f) sim::MakeFile(folder + "\\f" + std::to_string(f) + ".tmp");
  }
}

}  // namespace

int main(int argc, char** argv) {
  int folders = argc > 1 ? std::atoi(argv[1]) : 1000;
  int files = argc > 2 ? std::atoi(argv[2]) : 999;
  double entries = static_cast<double>(folders) * (files + 1);

  sim::Reset();
  sim::SetCallLogging(false);
  MakeTree("C:\\ours", folders, files);
  MakeTree("C:\\bare", folders, files);

  double ours = SecondsOf([] { EraseFolderContents("C:\\ours", 0, 0); });
  double bare = SecondsOf([] { BareErase("C:\\bare"); });
  if (!sim::Tree("C:\\ours").empty() || !sim::Tree("C:\\bare").empty()) {
    std::fprintf(stderr, "a tree was not erased\n");
    return 1;
  }
  std::printf("%.0f entries: EraseFolderContents %.2f s (%.0f entries/s), bare loop %.2f s "
              "(%.0f entries/s), ratio %.3f\n",
              entries, ours, entries / ours, bare, entries / bare, ours / bare);
  return 0;
}
