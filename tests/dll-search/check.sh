#!/usr/bin/env bash
# No DLL is loaded from tidewisp.exe's own folder. A download page can drop a
# uxtheme.dll into Downloads, where the portable program is unpacked and run;
# Windows' default search starts in the program's folder. Here DLLs that leave
# a marker when loaded (tests/dll-search/plant.sh) lie beside a copy of the
# program; with Wine told to search for them as Windows does, the program
# starts (window shown, then closed as a user closes it), makes a scheduled
# start that cleans, and no marker appears.
#
#   tests/dll-search/check.sh [PROGRAM]    PROGRAM: build/windows/tidewisp.exe
#
# In a prefix of its own, build/wine-dll-search: the scheduled start cleans.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$root/tests/dll-search/check.sh" "$@"
fi
cmake --preset windows >/dev/null
cmake --build --preset windows --target tidewisp window_driver >/dev/null
program="$(realpath "${1:-build/windows/tidewisp.exe}")"
driver="$root/build/windows/tools/window-driver.exe"

export TIDEWISP_WINE_BASE="$root/build/wine-dll-search"
source scripts/wine-env.sh
source tests/dll-search/plant.sh
dir="$WINEPREFIX/drive_c/planted"  # C:\planted, the "Downloads" folder
rm -rf "$dir"
plant_dlls "$dir"
cp "$program" "$dir/tidewisp.exe"
log="$root/build/wine-dll-search/check.log"
: >"$log"
trap 'wineserver -k 2>/dev/null || true' EXIT
# The wineserver first, its output to nowhere: a cold prefix's services.exe
# would hold a pipe open.
wineserver >/dev/null 2>&1
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$planted_overrides"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
no_markers() {
  local found
  found=$(planted_markers "$dir")
  [ -z "$found" ] || fail "$1: planted DLLs were loaded: $found"
  rm -f "$dir"/*.loaded
}

echo "== interactive start, window closed"
WINEDEBUG=+loaddll wine 'C:\planted\tidewisp.exe' >"$dir/loads.log" 2>&1 &
pid=$!
if wine "$driver" wait main 60000 >/dev/null 2>>"$log"; then
  wine "$driver" close 20000 >/dev/null 2>>"$log" || fail "the window did not close"
else
  fail "no main window within 60 s (see $log)"
  wineserver -k 2>/dev/null || true  # this prefix's: the start may hang
fi
wait $pid || fail "interactive start ended with $?"
no_markers "interactive start"
# The manifest's common controls 6 still arrive by the delay-load: Wine keeps
# version 6 in winsxs, version 5 in system32.
grep -i 'loaddll.*comctl32' "$dir/loads.log" | grep -qi winsxs ||
  fail "not comctl32 6: $(grep -i 'loaddll.*comctl32' "$dir/loads.log" | tr -d '\r')"

echo "== scheduled start, due: cleans"
# Registry backups (a seeded cabinet), typed addresses and the Internet cache:
# the steps that call shlwapi and wininet.
trace="$WINEPREFIX/drive_c/windows/sysbckup/rb000.cab"
mkdir -p "${trace%/*}"
echo cabinet >"$trace"
{ printf 'REGEDIT4\r\n\r\n[-HKEY_CURRENT_USER\\Software\\Marrowfield\\Tidewisp]\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Marrowfield\\Tidewisp]\r\n'
  printf '"%s"="1"\r\n' di5 di8 di9 di21
  printf '"%s"="0"\r\n' when lastErase
} >"$dir/settings.reg"
wine regedit /S 'C:\planted\settings.reg' >>"$log" 2>&1
status=0
timeout 120 wine 'C:\planted\tidewisp.exe' auto >>"$log" 2>&1 || status=$?
[ $status -eq 0 ] || fail "scheduled start ended with $status"
[ ! -f "$trace" ] || fail "scheduled start: the seeded cabinet $trace is still there"
wine reg query 'HKCU\Software\Marrowfield\Tidewisp' /v lastErase >"$dir/last.txt" 2>>"$log" || true
grep -q 'lastErase *REG_SZ *[1-9]' "$dir/last.txt" || fail "scheduled start stored no run: $(tr -d '\r' <"$dir/last.txt")"
no_markers "scheduled start"
wine reg delete 'HKCU\Software\Marrowfield' /f >>"$log" 2>&1 || true

if [ "$failures" -gt 0 ]; then
  echo "DLL search checks: $failures failed" >&2
  exit 1
fi
echo "DLL search checks: all passed (no planted DLL loaded)"
