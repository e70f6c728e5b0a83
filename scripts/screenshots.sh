#!/usr/bin/env bash
# Framed screenshots of Tidewisp for the README, into docs/screenshots/:
#   splash.png, main.png, schedule.png, options.png, wipe-files.png,
#   erase-folders.png, about.png, and main-150.png (the main window at 150 %).
#
# Tidewisp runs under Wine in a prefix of its own (build/wine-shots, made safe
# by scripts/wine-prefix.sh; the tests' prefix is not touched), inside a Wine
# virtual desktop on an X server of its own (xvfb-run), so the windows have
# their frames and captions and the shots do not depend on the user's screen.
# The Main page is shot after one Clean, the only run this script makes: on
# sample traces it makes in this prefix (the listed files and folders, files
# in the temporary folder), two of them held open by another program, so the
# log ends with the run's summary. Everything else is looked at, not run.
# The windows are driven from outside by tools/window-driver.exe (found by
# caption, tabs switched with TCM_SETCURFOCUS, About opened with WM_SYSCOMMAND,
# Clean pressed with BM_CLICK, closed with WM_CLOSE); no scheduled start is
# made. Sample settings (ticks, a schedule, two files, two folders) are written
# before the start and removed again at the end, with what the run left.
#
#   scripts/screenshots.sh     builds what it needs, then takes every shot (~20 s)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

export TIDEWISP_WINE_BASE="$root/build/wine-shots"
out="$root/docs/screenshots"
work="$root/build/shots"
driver="$root/build/windows/tools/window-driver.exe"
key='HKCU\Software\Marrowfield\Tidewisp'
dpi_key='HKCU\Control Panel\Desktop'
desktop=shots
screen=1280x1024 # the X server; each virtual desktop sits at its top left
margin=16        # pixels of desktop around each window
settle=0.5       # seconds for a repaint after each change (it is asynchronous)

# The sample settings, as the program stores them (every value REG_SZ).
sample_settings() {
  cat <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Marrowfield\Tidewisp]
"di0"="1"
"di1"="1"
"di2"="1"
"di5"="1"
"di6"="1"
"di7"="1"
"di8"="1"
"di9"="1"
"di11"="1"
"di12"="1"
"di21"="1"
"when"="7"
"nFiles"="2"
"file0"="C:\\Users\\Public\\Documents\\Sample\\old tax return.pdf"
"file1"="C:\\Users\\Public\\Documents\\Sample\\draft letter.doc"
"nFolders"="2"
"folder0"="C:\\Users\\Public\\Downloads\\Sample\\Old Installers"
"folder1"="C:\\Users\\Public\\Documents\\Sample\\Chat Logs"
EOF
}

# The traces the one Clean erases, in this prefix only (wine-env.sh has
# checked that it lies under build/ and holds no link): the two listed files,
# the two listed folders' contents, and files in the temporary folder. Sets
# $held: two of them, in Windows' terms, for another program to hold open.
seed_traces() {
  local c="$WINEPREFIX/drive_c" user="" folder
  for folder in "$c"/users/*; do
    [ "${folder##*/}" = Public ] || user="${folder##*/}"
  done
  local docs="$c/users/Public/Documents/Sample" downloads="$c/users/Public/Downloads/Sample"
  local temp="$c/users/$user/Temp"  # Wine 8: %TEMP% is %USERPROFILE%\Temp
  mkdir -p "$docs/Chat Logs" "$downloads/Old Installers" "$temp"
  head -c 48213 /dev/urandom >"$docs/old tax return.pdf"
  head -c 23040 /dev/urandom >"$docs/draft letter.doc"
  head -c 1532000 /dev/urandom >"$downloads/Old Installers/setup-2019.exe"
  for day in 01 02 03; do head -c 4100 /dev/urandom >"$docs/Chat Logs/2026-12-$day.log"; done
  for n in 1 2 3 4 5; do head -c 80000 /dev/urandom >"$temp/~tmp$n.tmp"; done
  head -c 2048 /dev/urandom >"$temp/report.tmp"
  held=("C:\\users\\$user\\Temp\\report.tmp"
        'C:\Users\Public\Documents\Sample\Chat Logs\2026-12-03.log')
  traces=("$docs" "$downloads" "$temp/report.tmp")
}

# wine PROGRAM... with its output in the log: never in a pipe or $(...).
quiet() { "$@" >>"$work/wine.log" 2>&1; }
drive() { wine "$driver" "/desktop=$desktop" "$@" 2>>"$work/wine.log"; }

# shot NAME RECTFILE: the screen, cropped to the rectangle the driver printed
# ("left top right bottom", CR LF from Wine) with a margin of desktop.
shot() {
  local name=$1 left top right bottom
  read -r left top right bottom < <(tr -d '\r' <"$2")
  if ! [[ "$left $top $right $bottom" =~ ^-?[0-9]+\ -?[0-9]+\ [0-9]+\ [0-9]+$ ]]; then
    echo "screenshots: no window rectangle for $name" >&2
    return 1
  fi
  left=$((left > margin ? left - margin : 0)) top=$((top > margin ? top - margin : 0))
  import -window root "$work/screen.png"
  # -strip: no time stamps, so an unchanged window makes an unchanged file.
  convert "$work/screen.png" -crop "$((right + margin - left))x$((bottom + margin - top))+$left+$top" \
    +repage -strip "$out/$name.png"
  echo "screenshots: docs/screenshots/$name.png"
}

# start_tidewisp SIZE: Tidewisp in a virtual desktop of that size; sets $pid.
start_tidewisp() {
  wine explorer "/desktop=$desktop,$1" "$root/build/windows/tidewisp.exe" >>"$work/wine.log" 2>&1 &
  pid=$!
}

close_tidewisp() {
  [ -n "${pid:-}" ] || return 0
  desktop_close "$driver" "$desktop" "$pid" "$work/wine.log" || true
  pid=""
}

# Whatever happened: the program closed, the sample settings and the 150 %
# setting gone, the prefix's wineserver ended.
cleanup() {
  close_tidewisp
  quiet wine reg delete "$key" /f || true
  quiet wine reg delete "$dpi_key" /v LogPixels /f || true
  [ -n "${holder:-}" ] && { kill "$holder" 2>/dev/null; wait "$holder" 2>/dev/null || true; }
  rm -rf "${traces[@]}"
  if quiet wine reg query "$key"; then
    echo "screenshots: the sample settings could not be removed: $key" >&2
  fi
  wineserver -k 2>/dev/null || true
}

# The splash is up for about a second: the driver waits for it from before
# the start, and a check after the shot confirms it was still shown.
splash_session() {
  for _ in 1 2 3; do
    drive wait splash 60000 >"$work/splash.rect" &
    local waiter=$!
    start_tidewisp 1024x768
    if wait "$waiter"; then
      sleep 0.4
      shot splash "$work/splash.rect"
      # Still shown after the shot: it was shown during it.
      if drive wait splash 0 >/dev/null; then
        drive wait main 60000 >"$work/main.rect"
        return 0
      fi
    fi
    echo "screenshots: the splash was gone before its shot; once more" >&2
    drive wait main 60000 >/dev/null || true
    close_tidewisp
  done
  return 1
}

inside_xvfb() {
  source "$root/scripts/wine-env.sh"
  source "$root/scripts/wine-desktop.sh"
  rm -rf "$work"
  mkdir -p "$work" "$out"
  pid="" holder="" traces=()
  trap cleanup EXIT
  # The wineserver first, its output to nowhere (a cold prefix's services.exe
  # would hold a pipe open); persistent, so each small command is quick.
  wineserver -p >/dev/null 2>&1
  quiet wine reg delete "$key" /f || true
  quiet wine reg delete "$dpi_key" /v LogPixels /f || true
  sample_settings >"$WINEPREFIX/drive_c/shots-sample.reg"
  quiet wine reg import 'C:\shots-sample.reg'
  rm -f "$WINEPREFIX/drive_c/shots-sample.reg"

  seed_traces

  # 100 %: the splash, the main window after one Clean, each tab, the About box.
  splash_session
  # Wine itself, not a function's subshell, in the background: $! must be
  # the holder, which keeps the virtual desktop open until it ends.
  wine "$driver" "/desktop=$desktop" hold 60000 "${held[@]}" 2>>"$work/wine.log" &
  holder=$!
  sleep 2  # the files are held before the run meets them
  drive clean 120000
  sleep "$settle"
  shot main "$work/main.rect"
  kill "$holder" 2>/dev/null
  wait "$holder" 2>/dev/null || true
  holder=""
  local tab name
  for tab in 1 2 3 4; do
    name=$(echo schedule options wipe-files erase-folders | cut -d' ' -f"$tab")
    drive tab "$tab"
    sleep "$settle"
    shot "$name" "$work/main.rect"
  done
  drive tab 0
  drive about
  drive wait about 20000 >"$work/about.rect"
  sleep "$settle"
  shot about "$work/about.rect"
  drive close-about
  close_tidewisp

  # 150 %: the system DPI is read when the wineserver starts.
  quiet wine reg add "$dpi_key" /v LogPixels /t REG_DWORD /d 144 /f
  wineserver -k
  wineserver -p >/dev/null 2>&1
  start_tidewisp 1280x1024
  drive wait main 60000 >"$work/main-150.rect"
  sleep "$settle"
  shot main-150 "$work/main-150.rect"
  close_tidewisp
}

main() {
  # Inside xvfb-run, started by this script itself (below).
  if [ -n "${TIDEWISP_SHOTS_INSIDE:-}" ]; then
    inside_xvfb
    return
  fi
  scripts/setup.sh
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target tidewisp window_driver >/dev/null
  scripts/wine-prefix.sh create
  export TIDEWISP_SHOTS_INSIDE=1
  exec xvfb-run -a -s "-screen 0 ${screen}x24" "$0" "$@"
}

# Last: a failed expansion aborts this whole command, and nothing follows it.
main "$@"
