#!/usr/bin/env bash
# Rebuilding a LevelDB of 100,000 entries (about 50 MB) without the tenth that
# are downloads, against copying the same folder, under Wine; then the
# rebuild's peak memory on 10,000 and on 100,000 entries, each in its own run.
# Each round rebuilds one fresh copy of the database and copies another, the
# order alternating.
#   bench/leveldb.sh             ROUNDS=3 ENTRIES=100000 by default
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
rounds="${ROUNDS:-3}" entries="${ENTRIES:-100000}"

build_windows bench_leveldb
run_wine bench_leveldb make "$bench_dos\\large" "$entries" >/dev/null
run_wine bench_leveldb make "$bench_dos\\small" $((entries / 10)) >/dev/null
echo "database: $entries entries, $(du -sm "$bench_unix/large" | cut -f1) MB in $(ls "$bench_unix/large" | wc -l) files"

rebuilds=() copies=()
steps=""
run_rebuild() {
  local f
  read -r -a f < <(run_wine bench_leveldb rebuild "$bench_dos\\rebuild$1")
  [ "${f[1]}" = $((entries / 10)) ] || { echo "rebuild took out ${f[1]} entries" >&2; exit 1; }
  rebuilds+=("${f[0]}")
  steps=$(printf 'copy %.2f, write %.2f, journal %.3f, renames %.3f %.3f, erase old %.2f, erase copy %.2f' "${f[@]:4}")
}
run_copy() { copies+=("$(run_wine bench_leveldb copy "$bench_dos\\source$1" "$bench_dos\\copy$1")"); }

for n in $(seq 1 "$rounds"); do
  cp -r "$bench_unix/large" "$bench_unix/rebuild$n"
  cp -r "$bench_unix/large" "$bench_unix/source$n"
  sync
  if [ $((n % 2)) -eq 1 ]; then run_rebuild "$n"; run_copy "$n"; else run_copy "$n"; run_rebuild "$n"; fi
  printf 'round %d: rebuild %.2f s (%s) | copy %.2f s\n' "$n" "${rebuilds[-1]}" "$steps" "${copies[-1]}"
  rm -rf "$bench_unix/rebuild$n" "$bench_unix/source$n" "$bench_unix/copy$n"
done
r=$(median "${rebuilds[@]}") c=$(median "${copies[@]}")
printf 'median: rebuild %.2f s | copy %.2f s\n' "$r" "$c"
printf 'ratio rebuild / copy: %.2f\n' "$(echo "$r / $c" | bc -l)"

read -r _ _ small_peak small_start _ < <(run_wine bench_leveldb rebuild "$bench_dos\\small")
read -r _ _ large_peak large_start _ < <(run_wine bench_leveldb rebuild "$bench_dos\\large")
kib() { echo "$1 / 1024" | bc; }
report() {
  echo "$1: peak working set $(kib "$2") KiB, $(kib "$(($2 - $3))") KiB above the working set before"
}
report "$((entries / 10)) entries" "$small_peak" "$small_start"
report "$entries entries" "$large_peak" "$large_start"
printf 'ratio of peaks: %.3f\n' "$(echo "$large_peak / $small_peak" | bc -l)"
