// Erasing a tree of small files under Wine: EraseFolderContents against the
// bare loop of the same calls and against the platform's own recursive
// delete (cmd /c rd /s /q), on identical trees prepared by bench/erase.sh,
// side by side in one run.
//
// Each contender's tree is cut into slices, and the three take turns slice by
// slice, the order rotating: a machine whose load drifts (other builds, disk
// write-back) then weighs on all three alike, and each slice gives a paired
// ratio.
//
//   bench_erase.exe <folder holding ours\s<N>, bare\s<N>, rd\s<N>> <slices>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BareErase.h"
#include "bench/BenchSupport.h"
#include "engine/Primitives.h"
#include "tests/support/Process.h"

namespace {

double Erase(int who, const std::string& tree) {
  double seconds = 0;
  if (who == 0) seconds = SecondsOf([&] { EraseFolderContents(tree, 0, 0); });
  if (who == 1) seconds = SecondsOf([&] { BareErase(tree.c_str()); });
  if (who == 2) seconds = SecondsOf([&] { RunAndWait("cmd.exe /c rd /s /q " + tree, INFINITE); });
  if (long left = EntriesLeft(tree)) std::printf("%s left %ld entries\n", tree.c_str(), left);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_erase <folder> <slices>\n");
    return 2;
  }
  const std::string base = argv[1];
  const int slices = std::atoi(argv[2]);
  const char* const names[3] = {"ours", "bare", "rd"};

  // What starting cmd.exe alone costs, included in each rd slice.
  double cmdStart = SecondsOf([] { RunAndWait("cmd.exe /c rem", INFINITE); });

  double total[3] = {};
  std::vector<double> versusBare, versusRd;
  for (int slice = 0; slice < slices; ++slice) {
    double took[3] = {};
    for (int turn = 0; turn < 3; ++turn) {
      int who = (turn + slice) % 3;
      took[who] = Erase(who, base + "\\" + names[who] + "\\s" + std::to_string(slice));
      total[who] += took[who];
    }
    std::printf("slice %d: EraseFolderContents %.2f s, bare loop %.2f s, rd /s /q %.2f s\n", slice,
                took[0], took[1], took[2]);
    std::fflush(stdout);
    versusBare.push_back(took[0] / took[1]);
    versusRd.push_back(took[0] / took[2]);
  }
  std::printf(
      "total: EraseFolderContents %.2f s, bare loop %.2f s, rd /s /q %.2f s "
      "(starting cmd.exe: %.2f s per slice)\n",
      total[0], total[1], total[2], cmdStart);
  std::printf(
      "ratio EraseFolderContents / bare loop: %.3f of totals, %.3f median of slices "
      "(target <= 1.05)\n",
      total[0] / total[1], Median(versusBare));
  std::printf(
      "ratio EraseFolderContents / rd /s /q:  %.3f of totals, %.3f median of slices "
      "(target <= 0.25)\n",
      total[0] / total[2], Median(versusRd));
  return 0;
}
