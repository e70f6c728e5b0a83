#!/usr/bin/env bash
# Checks the release under Wine: its checksums; a silent install, from a
# folder where DLLs were planted (tests/dll-search/plant.sh), and what it
# leaves; the scheduled start its Run entry makes at sign-in; an upgrade; the
# refusal while Tidewisp's window is open; and a silent uninstall with DLLs
# planted beside it.
#
# It runs in a prefix of its own, build/wine-installer/prefix, made afresh each
# time: signing in starts the Run entries, which must never happen in the
# prefix where the other tests seed their traces.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$root/tests/installer/check.sh" "$@"
fi
started=$SECONDS

mkdir -p build
scripts/package.sh >build/package.log 2>&1 || { cat build/package.log >&2; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
setup="$root/build/dist/tidewisp-setup-$version.exe"
zip="$root/build/dist/tidewisp-$version-win64.zip"
source tests/dll-search/plant.sh

export TIDEWISP_WINE_BASE="$root/build/wine-installer"
if [ -d "$TIDEWISP_WINE_BASE/prefix" ]; then
  WINEPREFIX="$TIDEWISP_WINE_BASE/prefix" wineserver -k 2>/dev/null || true
  rm -rf "$TIDEWISP_WINE_BASE/prefix"
fi
source scripts/wine-env.sh
[ "$WINEPREFIX" = "$TIDEWISP_WINE_BASE/prefix" ] || { echo "not our prefix: $WINEPREFIX" >&2; exit 1; }
# Wine mirrors Start-menu shortcuts into HOME's desktop menus and keeps a
# record of them in the registry; the check looks only at what Windows has.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
trap 'wineserver -k 2>/dev/null || true' EXIT

work="$WINEPREFIX/drive_c/check"      # C:\check: the check's own files
mkdir -p "$work"
user=""
for folder in "$WINEPREFIX"/drive_c/users/*; do
  [ "${folder##*/}" = Public ] || user="${folder##*/}"
done
win_dir="C:\\users\\$user\\AppData\\Local\\Programs\\Tidewisp"
dir="$WINEPREFIX/drive_c/users/$user/AppData/Local/Programs/Tidewisp"
lnk="$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tidewisp.lnk"
trace="$WINEPREFIX/drive_c/windows/sysbckup/rb000.cab"
# A temporary file named outside the ANSI code page, made from the Unix side:
# the program's manifest makes its "A" calls speak UTF-8.
wide_trace="$WINEPREFIX/drive_c/users/$user/Temp/日本.tmp"  # Wine 8: %TEMP% is %USERPROFILE%\Temp
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tidewisp'
settings_key='HKCU\Software\Marrowfield\Tidewisp'
run_command="\"$win_dir\\tidewisp.exe\" auto"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect() { [ "$2" == "$3" ] || fail "$1: got '$2', want '$3'"; }

# Wine's output always goes to a file: a cold start's services.exe inherits
# a pipe and never closes it.
status=0
win() { status=0; wine "$@" >"$work/wine.out" 2>&1 || status=$?; }
wineserver >/dev/null 2>&1

# A key's values as name=data lines (DWORDs as 0x...), or "(no key)".
snapshot() {
  win reg query "$1"
  if [ $status -ne 0 ]; then echo "(no key)" >"$2"; return; fi
  tr -d '\r' <"$work/wine.out" | sed -n 's/^    \([^ ]*\)    REG_[A-Z_]*    \{0,1\}/\1=/p' | sort >"$2"
}
value() { grep -m1 "^$2=" "$1" | cut -d= -f2- || echo "(absent)"; }

# Settings as the program stores them: REG_SZ text. Managed=N: Xvfb has no
# window manager, and without it Wine waits 2 s after a shown window closes.
settings() {
  { printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n'
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Marrowfield\\Tidewisp]\r\n'
    for pair in "$@"; do printf '"%s"="%s"\r\n' "${pair%%=*}" "${pair#*=}"; done
  } >"$work/settings.reg"
  win regedit /S 'C:\check\settings.reg'
}

# Waits until every program in the prefix has ended: the wineserver leaves a
# few seconds after its last client. Fails with what is still running.
wait_idle() {
  local since=$SECONDS limit=30
  if ! timeout $limit wineserver -w; then
    fail "$1: still running after $limit s:$(for p in /proc/[0-9]*; do
      { tr '\0' '\n' <"$p/environ" | grep -qx "WINEPREFIX=$WINEPREFIX"; } 2>/dev/null &&
        printf ' %s' "$(cat "$p/comm" 2>/dev/null)"; done)"
    wineserver -k || true
  fi
  idle_after=$((SECONDS - since))
}

# Signing in: wineboot without arguments starts every Run entry, by its
# command line as written, without waiting for it (as Windows does). A plain
# start of a prefix does not: observed under Wine 8, only this call ran them.
sign_in() {
  WINEDEBUG=trace+wineboot wine wineboot >"$work/sign-in.log" 2>&1 || true
  local escaped
  escaped=$(printf '%s' "$run_command" | sed 's/\\/\\\\/g; s/"/\\"/g')
  grep -qF "Successfully ran command L\"$escaped\"" "$work/sign-in.log" ||
    fail "$1: sign-in did not start $run_command; wineboot said: $(grep -i 'command' "$work/sign-in.log")"
  wait_idle "$1"
  [ "$idle_after" -le 10 ] || fail "$1: the scheduled start took $idle_after s to end"
}

echo "== checksums"
(cd build/dist && sha256sum --quiet -c SHA256SUMS) || fail "build/dist/SHA256SUMS does not match"
expect "SHA256SUMS lists" "$(cut -c67- build/dist/SHA256SUMS | sort | tr '\n' ' ')" \
  "$(printf '%s\n' "${zip##*/}" "${setup##*/}" | sort | tr '\n' ' ')"

echo "== portable zip"
listing=$(cmake -E tar tf "$zip" | sort | tr '\n' ' ')
expect "$zip holds" "$listing" "NOTICES.txt README.txt tidewisp.exe "

# The planted DLLs the installer and uninstaller are checked against: all but
# shlwapi. NSIS imports shell32, and Wine's shell32 imports shlwapi: with
# shlwapi looked for natively, the planted copy is loaded as the process
# starts, and every NSIS program then fails to start, before its first line
# (Windows takes shlwapi and shell32 from system32 always: known DLLs).
nsis_overrides="uxtheme,comdlg32,wininet,dwmapi=n,b;winedbg.exe="

# nsis_planted WHAT DIR: fails when a DLL planted in DIR was loaded by the
# NSIS program itself. Wine's own comctl32 (which NSIS imports) loads
# uxtheme while the process starts, searching the program's folder first,
# before the program's first line; that line restricts the search to system32
# and loads system32's UXTHEME.dll by its full path. A planted uxtheme loaded
# before that is Wine's doing; any other planted DLL, or one loaded after, is
# the installer's. WINEDEBUG=+loaddll in $work/wine.out shows the order.
nsis_planted() {
  local found first own
  found=$(planted_markers "$2")
  [ -z "$(grep -v '^uxtheme\.dll:' <<<"$found")" ] || fail "$1 loaded planted DLLs: $found"
  if grep -q '^uxtheme\.dll:' <<<"$found"; then
    first=$(grep -n 'loaddll.*Loaded L.*uxtheme\.dll' "$work/wine.out" | grep -v system32 | head -1 | cut -d: -f1)
    own=$(grep -n 'Loaded L.*system32\\\\UXTHEME\.dll' "$work/wine.out" | head -1 | cut -d: -f1)
    [ -n "$first" ] && [ -n "$own" ] && [ "$first" -lt "$own" ] ||
      fail "$1 loaded the planted uxtheme.dll after its own start (line ${first:-?} of the trace, its own UXTHEME.dll at ${own:-?})"
  fi
  rm -f "$2"/*.loaded
}

echo "== silent install, from a folder with planted DLLs"
# As downloaded: the installer in a folder where a page dropped DLLs, and
# Wine told to look for those names as Windows does (the program's folder
# first).
downloads="$work/downloads"
plant_dlls "$downloads"
cp "$setup" "$downloads/"
WINEDEBUG=+loaddll WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$nsis_overrides" \
  win "C:\\check\\downloads\\${setup##*/}" /S
expect "exit code of setup /S" "$status" 0
nsis_planted "setup /S" "$downloads"
rm -rf "$downloads"
cmp -s build/windows/tidewisp.exe "$dir/tidewisp.exe" ||
  fail "installed program: $dir holds: $(ls -l "$dir" 2>&1)"
[ -f "$dir/uninstall.exe" ] || fail "no uninstaller: $dir holds: $(ls "$dir" 2>&1)"
grep -q "LevelDB" "$dir/NOTICES.txt" 2>/dev/null && grep -q "Snappy" "$dir/NOTICES.txt" &&
  grep -q "SQLite" "$dir/NOTICES.txt" ||
  fail "no notices of the libraries beside the program: $dir holds: $(ls "$dir" 2>&1)"
# The link's target, as Wine stores it, is the plain Windows path.
grep -qaF "$win_dir\\tidewisp.exe" "$lnk" 2>/dev/null ||
  fail "Start-menu shortcut $lnk: $(ls -l "$lnk" 2>&1), does not name $win_dir\\tidewisp.exe"
snapshot "$run_key" "$work/run.txt"
expect "Run value Tidewisp" "$(value "$work/run.txt" Tidewisp)" "$run_command"
snapshot "$uninstall_key" "$work/uninstall.txt"
while IFS='|' read -r name want; do
  expect "$uninstall_key\\$name" "$(value "$work/uninstall.txt" "$name")" "$want"
done <<EOF
DisplayName|Tidewisp
DisplayVersion|$version
Publisher|Marrowfield
DisplayIcon|$win_dir\tidewisp.exe
InstallLocation|$win_dir
UninstallString|"$win_dir\uninstall.exe"
QuietUninstallString|"$win_dir\uninstall.exe" /S
NoModify|0x1
NoRepair|0x1
EOF
size=$(value "$work/uninstall.txt" EstimatedSize)
program_kb=$(($(stat -c %s build/windows/tidewisp.exe) / 1024))
[[ "$size" == 0x* ]] && [ $((size)) -ge "$program_kb" ] ||
  fail "$uninstall_key\\EstimatedSize: got '$size', want at least the program's $program_kb KB"

echo "== sign-in with the schedule off"
mkdir -p "${trace%/*}"
echo cabinet >"$trace"
mkdir -p "${wide_trace%/*}"
echo temporary >"$wide_trace"
settings di1=1 di5=1 di21=0 when=0 lastErase=0
snapshot "$settings_key" "$work/settings-before.txt"
sign_in "schedule off"
[ -f "$trace" ] && [ -f "$wide_trace" ] || fail "schedule off: a seeded trace was erased"
snapshot "$settings_key" "$work/settings-after.txt"
cmp -s "$work/settings-before.txt" "$work/settings-after.txt" ||
  fail "schedule off: the settings changed: $(diff "$work/settings-before.txt" "$work/settings-after.txt" | tr '\n' ' ')"

echo "== sign-in with the schedule on and due"
settings di21=1
signed_in=$(date +%s)
sign_in "schedule due"
[ ! -f "$trace" ] || fail "schedule due: the seeded trace $trace is still there"
[ ! -f "$wide_trace" ] || fail "schedule due: the temporary file $wide_trace is still there"
snapshot "$settings_key" "$work/settings.txt"
stamp=$(value "$work/settings.txt" lastErase)
[[ "$stamp" =~ ^[0-9]+$ ]] && [ "$stamp" -ge "$signed_in" ] ||
  fail "schedule due: lastErase is '$stamp', want the time of the run (at least $signed_in)"

echo "== upgrade over the installed copy"
win "$setup" /S
expect "exit code of the upgrade" "$status" 0
snapshot "$settings_key" "$work/settings-upgraded.txt"
cmp -s "$work/settings.txt" "$work/settings-upgraded.txt" ||
  fail "upgrade: the settings changed: $(diff "$work/settings.txt" "$work/settings-upgraded.txt" | tr '\n' ' ')"
snapshot "$run_key" "$work/run.txt"
expect "upgrade: Run value Tidewisp" "$(value "$work/run.txt" Tidewisp)" "$run_command"

echo "== while Tidewisp's window is open"
# Tidewisp's main window is a dialog captioned "Tidewisp"; a tiny NSIS
# program stands in for it: its own window is a dialog too, retitled to
# "Tidewisp" (NSIS appends ": Installing" to the caption), open for as long
# as window-hold exists (at most a minute).
cat >"$work/window.nsi" <<'EOF'
Target amd64-unicode
RequestExecutionLevel user
Name "Tidewisp"
OutFile "window.exe"
AutoCloseWindow true
Page instfiles
Section
  SendMessage $HWNDPARENT ${WM_SETTEXT} 0 "STR:Tidewisp"
  FileOpen $0 "$EXEDIR\window-open" w
  FileClose $0
  StrCpy $1 0
  loop:
    IfFileExists "$EXEDIR\window-hold" 0 done
    IntOp $1 $1 + 1
    IntCmp $1 600 done
    Sleep 100
    Goto loop
  done:
SectionEnd
EOF
(cd "$work" && makensis -WX -V1 -DWM_SETTEXT=0x000C window.nsi)
touch "$work/window-hold"
wine 'C:\check\window.exe' >"$work/window.out" 2>&1 &
window=$!
trap 'rm -f "$work/window-hold"; kill $window 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -f "$work/window-open" ] && break; sleep 0.1; done
[ -f "$work/window-open" ] || fail "the stand-in window did not open within 10 s"
win "$setup" /S
expect "exit code of setup /S with the window open" "$status" 2
# In place (_?=) the uninstaller runs in this process and its exit code is its own.
win "$dir/uninstall.exe" /S "_?=$win_dir"
expect "exit code of uninstall /S with the window open" "$status" 2
[ -f "$dir/tidewisp.exe" ] || fail "uninstall with the window open removed the program"
snapshot "$run_key" "$work/run.txt"
expect "uninstall with the window open: Run value" "$(value "$work/run.txt" Tidewisp)" "$run_command"
rm -f "$work/window-hold"
wait $window || fail "the stand-in window ended with $?"
trap 'wineserver -k 2>/dev/null || true' EXIT

echo "== silent uninstall, with planted DLLs beside it"
# As the system's list of apps starts it (QuietUninstallString): the
# uninstaller copies itself to TEMP, starts the copy and ends, so wait for the
# copy. Observed under Wine: the copy runs as %TEMP%\~nsuN.tmp\Un.exe, with
# that folder as its working directory, and stays there afterwards.
plant_dlls "$dir"
WINEDEBUG=+loaddll WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$nsis_overrides" win "$dir/uninstall.exe" /S
expect "exit code of uninstall.exe /S" "$status" 0
wait_idle "uninstall"
nsis_planted "uninstall.exe /S" "$dir"
# The planted DLLs kept the folder (the uninstaller removes it only empty).
for name in $planted_names; do rm -f "$dir/$name.dll"; done
rmdir "$dir" || fail "uninstall left in $dir: $(ls "$dir")"
leftovers=$(find "$WINEPREFIX/drive_c" -iname '*tidewisp*')
[ -z "$leftovers" ] || fail "uninstall left: $leftovers"
# The wineserver has ended, so the registry files are up to date; apart from
# the settings key's name, nothing in them may mention Tidewisp.
entries=$(grep -i tidewisp "$WINEPREFIX/user.reg" "$WINEPREFIX/system.reg" |
  grep -vF '.reg:[Software\\Marrowfield\\Tidewisp]' || true)
[ -z "$entries" ] || fail "uninstall left registry entries: $entries"
snapshot "$settings_key" "$work/settings-kept.txt"
cmp -s "$work/settings.txt" "$work/settings-kept.txt" ||
  fail "uninstall /S did not keep the settings: $(diff "$work/settings.txt" "$work/settings-kept.txt" | tr '\n' ' ')"

wineserver -k 2>/dev/null || true
if [ "$failures" -gt 0 ]; then
  echo "installer checks: $failures failed ($((SECONDS - started)) s)" >&2
  exit 1
fi
echo "installer checks: all passed ($((SECONDS - started)) s)"
