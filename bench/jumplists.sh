#!/usr/bin/env bash
# Erase Recent Files on the Recent folder of a heavy user (200 jump lists, 1,000
# entries in all; Quick Access's 4 pins and one pin in every tenth program's
# list) against deleting the same files, under Wine; then its peak memory on
# that folder and on one a tenth its size, each in its own run. Each round
# cleans one fresh copy and deletes another, the order alternating.
#   bench/jumplists.sh        ROUNDS=7 LISTS=200 ENTRIES=1000 by default
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
rounds="${ROUNDS:-7}" lists="${LISTS:-200}" entries="${ENTRIES:-1000}"
# Quick Access and every tenth program's list keep their pins.
kept=$((1 + (lists - 3) / 10))

build_windows bench_jumplists
run_wine bench_jumplists make "$bench_dos\\large" "$lists" "$entries"
run_wine bench_jumplists make "$bench_dos\\small" $((lists / 10)) $((entries / 10))
echo "Recent folder: $(ls "$bench_unix/large/AutomaticDestinations" | wc -l) jump lists," \
  "$(du -sk "$bench_unix/large" | cut -f1) KiB"

cleans=() deletes=() reads=()
run_clean() {
  read -r -a f < <(run_wine bench_jumplists clean "$bench_dos\\clean$1")
  [ "${f[3]:-}" = "$kept" ] && [ "${f[4]}" = $((4 + kept - 1)) ] ||
    { echo "the clean left ${f[3]:-?} lists with ${f[4]:-?} entries" >&2; exit 1; }
  cleans+=("${f[0]}")
}
run_delete() {
  read -r -a f < <(run_wine bench_jumplists delete "$bench_dos\\delete$1")
  [ "${f[1]:-}" = 0 ] || { echo "the delete left ${f[1]:-?} lists" >&2; exit 1; }
  deletes+=("${f[0]}")
}

for n in $(seq 1 "$rounds"); do
  cp -r "$bench_unix/large" "$bench_unix/clean$n"
  cp -r "$bench_unix/large" "$bench_unix/delete$n"
  sync
  if [ $((n % 2)) -eq 1 ]; then run_clean "$n"; run_delete "$n"; else run_delete "$n"; run_clean "$n"; fi
  reads+=("$(run_wine bench_jumplists read "$bench_dos\\large")")
  printf 'round %d: clean %.3f s (reading every list: %.3f s) | delete %.3f s\n' "$n" \
    "${cleans[-1]}" "${reads[-1]}" "${deletes[-1]}"
  rm -rf "$bench_unix/clean$n" "$bench_unix/delete$n"
done
c=$(median "${cleans[@]}") d=$(median "${deletes[@]}")
printf 'median: clean %.3f s (reading every list: %.3f s) | delete %.3f s\n' "$c" \
  "$(median "${reads[@]}")" "$d"
printf 'ratio clean / delete: %.2f\n' "$(echo "$c / $d" | bc -l)"

kib() { echo "$1 / 1024" | bc; }
peak() {
  read -r -a f < <(run_wine bench_jumplists clean "$bench_dos\\$1")
  echo "$2: peak working set $(kib "${f[1]}") KiB, $(kib "$((f[1] - f[2]))") KiB above the working set before"
  peaks+=("${f[1]}")
}
peaks=()
peak small "$((lists / 10)) lists, $((entries / 10)) entries"
peak large "$lists lists, $entries entries"
printf 'ratio of peaks: %.3f\n' "$(echo "${peaks[1]} / ${peaks[0]}" | bc -l)"
