#!/usr/bin/env bash
# The engine's own CPU cost on the simulated machine: entries erased per
# second on a tree of 1,000,000 entries, in an optimised host build of its own.
#   bench/sim.sh [FOLDERS FILES]    1000 folders x 999 files by default
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cmake -S "$root" -B "$root/build/bench-host" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/bench-host" --target bench_sim -j 2 >/dev/null
"$root/build/bench-host/bench/bench_sim" "$@"
