#!/usr/bin/env bash
# Peak memory of EraseFolderContents on 10,000 and on 100,000 files under
# Wine, each erased by its own run of bench_memory.exe.
#   bench/memory.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

build_windows bench_memory
make_tree "$bench_unix/small" 100 100 100
make_tree "$bench_unix/large" 1000 100 100
sync
read -r small_peak small_start < <(run_wine bench_memory "$bench_dos\\small")
read -r large_peak large_start < <(run_wine bench_memory "$bench_dos\\large")
kib() { echo "$1 / 1024" | bc; }
report() {
  echo "$1: peak working set $(kib "$2") KiB, $(kib "$(($2 - $3))") KiB above the working set before erasing"
}
report "10,000 files " "$small_peak" "$small_start"
report "100,000 files" "$large_peak" "$large_start"
printf 'ratio of peaks 100,000 / 10,000: %.3f (target <= 1.1)\n' "$(echo "$large_peak / $small_peak" | bc -l)"
