# Sourced by the benchmark scripts: the project's safe Wine prefix, the
# benchmark programs of the windows build, and trees made natively (fast, and
# outside the process being measured). Everything is made under the prefix's
# C:\bench, removed again on exit.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/wine-env.sh"
bench_unix="$WINEPREFIX/drive_c/bench"
bench_dos='C:\bench'
case "$bench_unix" in
  "$root"/build/*) ;;
  *) echo "bench: refusing a folder outside build/: $bench_unix" >&2; exit 1 ;;
esac

cleanup() { rm -rf "$bench_unix"; }
trap cleanup EXIT
cleanup
mkdir -p "$bench_unix"

# build_windows TARGET...: the windows build's benchmark programs.
build_windows() {
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target "$@" >/dev/null
}

# run_wine PROGRAM ARGS...: a benchmark program in the safe prefix; only its
# own output (Wine's X11 noise on stderr is dropped).
run_wine() {
  local program="$root/build/windows/bench/$1.exe"
  shift
  "$root/scripts/wine-run.sh" "$program" "$@" 2>/dev/null | tr -d '\r'
}

# make_tree DIR FOLDERS FILES SIZE: FOLDERS folders of FILES files of SIZE bytes.
make_tree() {
  python3 - "$@" <<'PY'
import os, sys
root, folders, files, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
data = b"x" * size
for d in range(folders):
    folder = os.path.join(root, "d%04d" % d)
    os.makedirs(folder)
    for f in range(files):
        with open(os.path.join(folder, "f%04d.tmp" % f), "wb") as out:
            out.write(data)
PY
}

# median NUMBER...: the middle one (the mean of the two middle ones).
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }

# now: seconds since the epoch, with nanoseconds.
now() { date +%s.%N; }
