#!/usr/bin/env bash
# The project's own Wine prefix, under build/wine, made safe before any use.
#
# A new prefix links Documents, Desktop, Downloads, Music, Pictures and Videos to
# $HOME. A cleaning run in such a prefix would erase the real home directory, so
# the prefix is created with a scratch HOME, those links are replaced by real
# folders, and every use checks again that no user folder is a link.
#
#   wine-prefix.sh create   create the prefix if it does not exist, then check it
#   wine-prefix.sh check    the same (used as the tests' set-up fixture)
#   wine-prefix.sh env      print the environment lines for running Wine in it
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
base="${TIDEWISP_WINE_BASE:-$root/build/wine}"
export WINEPREFIX="$base/prefix"
export HOME="$base/home"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

# Wine links the user's Desktop, Documents, Downloads, Music, Pictures, Videos
# and, deeper down, AppData\Roaming\Microsoft\Windows\Templates to $HOME.
# Every link below the users' folders becomes a real, empty folder.
make_safe() {
  local users="$WINEPREFIX/drive_c/users"
  [ -d "$users" ] || return 0
  find "$users" -type l -print0 | while IFS= read -r -d '' link; do
    rm -f "$link"
    mkdir -p "$link"
  done
}

check_safe() {
  local links
  links=$(find "$WINEPREFIX/drive_c" -type l 2>/dev/null || true)
  if [ -n "$links" ]; then
    echo "wine-prefix: refusing to run: links inside the prefix's C: drive:" >&2
    echo "$links" >&2
    return 1
  fi
  case "$WINEPREFIX" in
    "$root"/build/*) ;;
    *) echo "wine-prefix: refusing a prefix outside build/: $WINEPREFIX" >&2; return 1 ;;
  esac
}

# Windows look and pace, once per prefix: Debian's Wine does not find the
# fonts-wine fonts by itself (dialogs would fall back to DejaVu Sans and the
# caption buttons show letters); "MS Sans Serif", the dialogs' font, still
# resolves to DejaVu Sans (1.75 px a dialog unit across instead of Windows'
# 1.5) until it is made Tahoma, whose metrics are those of Windows' MS Sans
# Serif at 8 points; and on a display without a window manager (Xvfb) Wine
# waits 2 s after each shown window closes unless it manages none. Wine's
# output goes to a file: started in a pipe on a cold prefix, services.exe
# inherits the pipe and never closes it.
configure() {
  local done="$base/.configured-2"
  [ -f "$done" ] && return 0
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  {
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
      /v 'MS Sans Serif' /d Tahoma /f
  } >"$base/configure.log" 2>&1
  wineserver -w || true
  touch "$done"
}

create() {
  mkdir -p "$base" "$HOME"
  exec 9>"$base/.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-prefix: creating $WINEPREFIX" >&2
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  make_safe
  check_safe
  configure
  flock -u 9
}

case "${1:-check}" in
  create|check) create ;;
  env)
    create
    echo "export WINEPREFIX='$WINEPREFIX' HOME='$HOME' WINEDEBUG='$WINEDEBUG'" \
         "WINEDLLOVERRIDES='$WINEDLLOVERRIDES' WINEARCH=win64"
    ;;
  *) echo "usage: $0 create|check|env" >&2; exit 2 ;;
esac
