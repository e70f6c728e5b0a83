#!/usr/bin/env bash
# Builds tidewisp.exe and starts it under Wine in the project's own safe prefix
# (build/wine/prefix; never ~/.wine). Arguments are passed to the program:
# `scripts/start.sh auto` makes a scheduled start.
#
# With a display, the window opens and the script returns when the user closes
# it. Without one (no DISPLAY), Tidewisp runs under xvfb-run in a Wine virtual
# desktop: the script waits for the main window, saves a screenshot of it to
# build/start-screenshot.png, prints that path, and closes the program the way
# a user would (WM_CLOSE: the settings are saved), waiting for it to end.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

shot="$root/build/start-screenshot.png"
driver="$root/build/windows/tools/window-driver.exe"
desktop=tidewisp
screen=1024x768

# Inside xvfb-run (see below): the window, its screenshot, and a clean close.
headless_run() {
  source "$root/scripts/wine-env.sh"
  source "$root/scripts/wine-desktop.sh"
  mkdir -p build
  local log="$root/build/start-wine.log" rect="$root/build/start-rect.txt"
  rm -f "$shot" "$rect"
  # The wineserver first, its output to nowhere: a Wine program started in a
  # pipe or $(...) on a cold prefix would hang it (services.exe keeps it open).
  wineserver >/dev/null 2>&1
  # Explorer's virtual desktop draws the frame and caption that bare Xvfb,
  # without a window manager, leaves out; placed at the screen's corner.
  wine explorer "/desktop=$desktop,$screen" build/windows/tidewisp.exe "$@" >"$log" 2>&1 &
  local pid=$!
  # The main window shown and its thread idle (the splash comes first, for a
  # second): a minute is ample even on a cold prefix.
  if ! wine "$driver" "/desktop=$desktop" wait main 60000 >"$rect" 2>>"$log"; then
    echo "start: the main window did not appear (see $log)" >&2
    stop_wine "$pid"
    exit 1
  fi
  sleep 0.5  # repainting is asynchronous
  # The driver prints "left top right bottom" (Wine ends the line with CR LF);
  # the virtual desktop lies at the screen's top left corner, so these are
  # the screen's pixels too.
  local left top right bottom margin=12
  read -r left top right bottom < <(tr -d '\r' <"$rect")
  if ! [[ "$left $top $right $bottom" =~ ^-?[0-9]+\ -?[0-9]+\ [0-9]+\ [0-9]+$ ]]; then
    echo "start: no window rectangle in $rect" >&2
    stop_wine "$pid"
    exit 1
  fi
  left=$((left > margin ? left - margin : 0)) top=$((top > margin ? top - margin : 0))
  import -window root -crop "$((right + margin - left))x$((bottom + margin - top))+$left+$top" \
    +repage "$shot"
  echo "start: screenshot of the main window: $shot"
  stop_wine "$pid"
}

stop_wine() { desktop_close "$driver" "$desktop" "$1" "$root/build/start-wine.log"; }

main() {
  # Inside xvfb-run, started by this script itself (below).
  if [ -n "${TIDEWISP_START_HEADLESS:-}" ]; then
    headless_run "$@"
    return
  fi

  scripts/setup.sh
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target tidewisp

  # A scheduled start (the command line ends with "auto") opens no window and
  # needs no display: Wine runs it without an X server at all.
  local last=""
  [ $# -gt 0 ] && last="${!#}"
  if [ -n "$last" ] && [ "${last%auto}" != "$last" ]; then
    source "$root/scripts/wine-env.sh"
    exec wine build/windows/tidewisp.exe "$@"
  fi

  if [ -n "${DISPLAY:-}" ]; then
    exec scripts/wine-run.sh build/windows/tidewisp.exe "$@"
  fi

  echo "start: no display (DISPLAY is not set): running Tidewisp under xvfb-run to take a" \
       "screenshot; it is closed again afterwards"
  cmake --build --preset windows --target window_driver >/dev/null
  export TIDEWISP_START_HEADLESS=1
  exec xvfb-run -a -s "-screen 0 ${screen}x24" "$0" "$@"
}

# Last: a failed expansion aborts this whole command, and nothing follows it.
main "$@"
