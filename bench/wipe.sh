#!/usr/bin/env bash
# Zero-wiping a 1 GiB file under Wine against native dd writing zeros over a
# file of the same size in 10000-byte blocks with fsync. Each round wipes
# three fresh files, the order rotating: WipeFile whole; WipeFile's two parts
# timed apart (overwrite and flush, then delete); dd, then rm for the delete.
#   bench/wipe.sh             ROUNDS=3 SIZE=1073741824 by default
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
rounds="${ROUNDS:-3}" size="${SIZE:-1073741824}"

build_windows bench_wipe
make_file() { head -c "$size" /dev/zero | tr '\0' 'x' > "$1"; }
seconds() { echo "$2 - $1" | bc -l; }

wipes=() fills=() deletes=() dds=() rms=()
run_wipe() { wipes+=("$(run_wine bench_wipe wipe "$bench_dos\\wipe$1")"); }
run_parts() {
  local fill delete
  read -r fill delete < <(run_wine bench_wipe parts "$bench_dos\\parts$1")
  fills+=("$fill") deletes+=("$delete")
}
run_dd() {
  local a b c
  a=$(now)
  dd if=/dev/zero of="$bench_unix/dd$1" bs=10000 iflag=count_bytes count="$size" \
     conv=notrunc,fsync status=none
  b=$(now)
  rm -f "$bench_unix/dd$1"
  c=$(now)
  dds+=("$(seconds "$a" "$b")") rms+=("$(seconds "$b" "$c")")
}

for n in $(seq 1 "$rounds"); do
  for who in wipe parts dd; do make_file "$bench_unix/$who$n"; done
  sync
  order=(run_wipe run_parts run_dd)
  for k in 0 1 2; do "${order[$(((k + n) % 3))]}" "$n"; done
  printf 'round %d: WipeFile %.2f s | overwrite+flush %.2f s, delete %.2f s | dd %.2f s, rm %.2f s\n' \
    "$n" "${wipes[-1]}" "${fills[-1]}" "${deletes[-1]}" "${dds[-1]}" "${rms[-1]}"
done

w=$(median "${wipes[@]}") f=$(median "${fills[@]}") x=$(median "${deletes[@]}")
d=$(median "${dds[@]}") r=$(median "${rms[@]}")
printf 'median: WipeFile %.2f s | overwrite+flush %.2f s, delete %.2f s | dd %.2f s, rm %.2f s\n' \
  "$w" "$f" "$x" "$d" "$r"
printf 'ratio overwrite+flush / dd:  %.3f (target <= 1.1)\n' "$(echo "$f / $d" | bc -l)"
printf 'ratio WipeFile / (dd + rm):  %.3f\n' "$(echo "$w / ($d + $r)" | bc -l)"
printf 'ratio WipeFile / dd:         %.3f (WipeFile also deletes the file; dd does not)\n' \
  "$(echo "$w / $d" | bc -l)"
