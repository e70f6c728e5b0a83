#!/usr/bin/env bash
# Erasing 100,000 small files in 1,000 folders under Wine: EraseFolderContents
# against the bare loop of the same calls and against cmd /c rd /s /q, on
# identical trees, in one run of bench_erase.exe (which takes turns slice by
# slice).
#   bench/erase.sh      SLICES=10 FOLDERS=100 (per slice) FILES=100 SIZE=100 by default
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
slices="${SLICES:-10}" folders="${FOLDERS:-100}" files="${FILES:-100}" size="${SIZE:-100}"

build_windows bench_erase
echo "making 3 trees of $((slices * folders)) folders x $files files of $size bytes..."
for who in ours bare rd; do
  for s in $(seq 0 $((slices - 1))); do
    make_tree "$bench_unix/$who/s$s" "$folders" "$files" "$size"
  done
done
sync
run_wine bench_erase "$bench_dos" "$slices"
