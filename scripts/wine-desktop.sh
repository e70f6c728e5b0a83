# Sourced by the scripts that show Tidewisp in a Wine virtual desktop.

# desktop_close DRIVER DESKTOP PID LOG: WM_CLOSE to Tidewisp's main window (it
# saves its settings and ends), then a wait for the program and its desktop
# (process PID) within a time limit. Ended by force only when they outlive it,
# and then only this prefix's Wine (WINEPREFIX is the project's); false then.
desktop_close() {
  local driver=$1 desktop=$2 pid=$3 log=$4
  wine "$driver" "/desktop=$desktop" close 20000 >/dev/null 2>>"$log" || true
  # Explorer's virtual desktop ends by itself once the last program in it has
  # ended (seen under Wine 8): its process is the one waited for, 20 s at most.
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "$(basename "$0"): Tidewisp did not end after WM_CLOSE; ending this prefix's Wine" >&2
    wineserver -k || true
    return 1
  fi
  wait "$pid" 2>/dev/null || true
}
