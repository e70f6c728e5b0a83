#!/usr/bin/env bash
# The Cookies box's site-data clean of a Chromium profile (1,000 web origins
# in Local Storage, 200 IndexedDB folders, and the extensions' data that
# stays) against copying the same folders, under Wine; then the clean's peak
# memory on that profile and on one a tenth its size, each in its own run.
# Each round cleans one fresh copy of the profile and copies another, the
# order alternating.
#   bench/sitedata.sh        ROUNDS=7 ORIGINS=1000 FOLDERS=ORIGINS/5 by default
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
rounds="${ROUNDS:-7}" origins="${ORIGINS:-1000}"
folders="${FOLDERS:-$((origins / 5))}"
# What stays: VERSION and the six entries of each of three extensions; one
# extension's IndexedDB folder.
kept_entries=19 kept_folders=1

build_windows bench_sitedata
run_wine bench_sitedata make "$bench_dos\\large" "$origins" "$folders"
run_wine bench_sitedata make "$bench_dos\\small" $((origins / 10)) $((folders / 10))
[ -d "$bench_unix/large/IndexedDB" ] && [ -d "$bench_unix/small/IndexedDB" ] ||
  { echo "the profiles were not made" >&2; exit 1; }
size() { du -sk "$1" | cut -f1; }
echo "profile: Local Storage $origins origins, $(size "$bench_unix/large/Local Storage") KiB in" \
  "$(ls "$bench_unix/large/Local Storage/leveldb" | wc -l) files; IndexedDB $folders folders," \
  "$(size "$bench_unix/large/IndexedDB") KiB in $(find "$bench_unix/large/IndexedDB" -type f | wc -l) files"

# clean FOLDER: the fields bench_sitedata prints, in f, after checking that
# the clean did its work.
clean() {
  read -r -a f < <(run_wine bench_sitedata clean "$bench_dos\\$1")
  [ "${f[6]:-}" = "$kept_entries" ] && [ "${f[7]}" = 0 ] && [ "${f[8]}" = "$kept_folders" ] || {
    echo "the clean left ${f[6]:-?} entries (${f[7]:-?} of web origins), ${f[8]:-?} IndexedDB folders" >&2
    exit 1
  }
}
cleans=() copies=() steps=""
run_clean() {
  clean "clean$1"
  cleans+=("${f[0]}")
  steps=$(printf 'Local Storage: copy %.2f, write %.2f, erase %.2f; the rest %.2f' "${f[@]:3:3}" \
    "$(echo "${f[0]} - ${f[3]} - ${f[4]} - ${f[5]}" | bc -l)")
}
run_copy() { copies+=("$(run_wine bench_sitedata copy "$bench_dos\\source$1" "$bench_dos\\copy$1")"); }

for n in $(seq 1 "$rounds"); do
  cp -r "$bench_unix/large" "$bench_unix/clean$n"
  cp -r "$bench_unix/large" "$bench_unix/source$n"
  sync
  if [ $((n % 2)) -eq 1 ]; then run_clean "$n"; run_copy "$n"; else run_copy "$n"; run_clean "$n"; fi
  printf 'round %d: clean %.2f s (%s) | copy %.2f s\n' "$n" "${cleans[-1]}" "$steps" "${copies[-1]}"
  rm -rf "$bench_unix/clean$n" "$bench_unix/source$n" "$bench_unix/copy$n"
done
c=$(median "${cleans[@]}") p=$(median "${copies[@]}")
printf 'median: clean %.2f s | copy %.2f s\n' "$c" "$p"
printf 'ratio clean / copy: %.2f\n' "$(echo "$c / $p" | bc -l)"

clean small
small_peak=${f[1]} small_start=${f[2]}
clean large
large_peak=${f[1]} large_start=${f[2]}
kib() { echo "$1 / 1024" | bc; }
report() {
  echo "$1: peak working set $(kib "$2") KiB, $(kib "$(($2 - $3))") KiB above the working set before"
}
report "$((origins / 10)) origins, $((folders / 10)) IndexedDB folders" "$small_peak" "$small_start"
report "$origins origins, $folders IndexedDB folders" "$large_peak" "$large_start"
printf 'ratio of peaks: %.3f\n' "$(echo "$large_peak / $small_peak" | bc -l)"
