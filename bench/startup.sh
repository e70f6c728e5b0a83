#!/usr/bin/env bash
# Start-up of the interactive program under Wine: the time from process start
# to the main window accepting input (shown with its five tabs, and its thread
# idle in the dialog's loop), tidewisp.exe against a bare program that sleeps
# one second and then shows one empty dialog of the same size. One run of
# bench_startup.exe starts them in turn, RUNS times each, the order alternating,
# and closes every start with WM_CLOSE (Tidewisp saves its settings), waiting
# for it to end before the next.
#   bench/startup.sh          RUNS=11 by default
# In a prefix of its own (build/wine-bench), so the settings each close saves
# stay out of the tests' prefix.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export TIDEWISP_WINE_BASE="${TIDEWISP_WINE_BASE:-$root/build/wine-bench}"
source "$root/bench/common.sh"
runs="${RUNS:-11}"

build_windows tidewisp bench_startup bench_startup_bare
# Both programs from the prefix's C:\bench, as an installed copy would run.
cp "$root/build/windows/tidewisp.exe" "$bench_unix/tidewisp.exe"
cp "$root/build/windows/bench/bench_startup_bare.exe" "$bench_unix/bare.exe"
# Not in a pipe (run_wine's): a Wine that starts the prefix's services would
# leave them holding the pipe. The result goes to a file, shown at the end.
result="$bench_unix/result.txt"
"$root/scripts/wine-run.sh" "$root/build/windows/bench/bench_startup.exe" "$runs" \
  "$bench_dos\\tidewisp.exe" "$bench_dos\\bare.exe" >"$result" 2>/dev/null || status=$?
tr -d '\r' <"$result" | grep -E '^(run|median|ratio)'
exit "${status:-0}"
