#!/usr/bin/env bash
# A long clean under Wine, seen from another process: 150,000 small files in
# the temporary folder (500 folders of 300 files of 100 bytes, made natively
# before each round), Tidewisp started with only "Erase Windows Temporary
# Folder" ticked, its Clean pressed, and its window asked WM_NULL every 10 ms
# (bench_responsive.exe). Each round runs three times: to the end (the longest
# time between two answers, and the run's length), with Stop pressed AFTER
# seconds into the erasure (how long the run takes to end after it), and with
# the window closed AFTER seconds in (how long the process takes to end).
#   bench/responsive.sh       ROUNDS=3 FOLDERS=500 FILES=300 AFTER=3000 (ms) by default
# In a prefix of its own (build/wine-bench), whose settings and temporary
# folder it changes; its trees are removed on exit.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export TIDEWISP_WINE_BASE="${TIDEWISP_WINE_BASE:-$root/build/wine-bench}"
source "$root/bench/common.sh"
rounds="${ROUNDS:-3}" folders="${FOLDERS:-500}" files="${FILES:-300}" after="${AFTER:-3000}"

build_windows tidewisp bench_responsive
cp "$root/build/windows/tidewisp.exe" "$bench_unix/tidewisp.exe"
# Not in a pipe or $(...): a Wine that starts the prefix's services would keep
# it open. The wineserver first, its output to nowhere.
wineserver >/dev/null 2>&1
key='HKCU\Software\Marrowfield'
wine reg delete "$key" /f >/dev/null 2>&1 || true
wine reg add "$key\\Tidewisp" /v di1 /t REG_SZ /d 1 /f >/dev/null 2>&1
temp="$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/Temp"
[ -d "$temp" ] || { echo "responsive: no temporary folder $temp" >&2; exit 1; }
tree="$temp/tidewisp-bench"
trap 'rm -rf "$tree"; cleanup' EXIT

result="$bench_unix/result.txt"
for round in $(seq 1 "$rounds"); do
  for mode in none stop close; do
    rm -rf "$tree"
    make_tree "$tree" "$folders" "$files" 100
    sync
    "$root/scripts/wine-run.sh" "$root/build/windows/bench/bench_responsive.exe" \
      "$bench_dos\\tidewisp.exe" "$mode" "$after" >"$result" 2>/dev/null || status=$?
    left=0  # the run removes the tree's folders too once they are empty
    [ -d "$tree" ] && left=$(find "$tree" -type f | wc -l)
    echo "round $round $(tr -d '\r' <"$result" | grep -E '^(none|stop|close):'); files left $left"
  done
done
wine reg delete "$key" /f >/dev/null 2>&1 || true
exit "${status:-0}"
