#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own safe prefix (the test
# emulator of the windows build, and how the start script runs Tidewisp).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# The prefix's environment, or nothing runs at all: without it Wine would fall
# back to ~/.wine, whose Documents and Desktop lead to the real home folder.
prefix_env=$("$root/scripts/wine-prefix.sh" env) || {
  echo "$(basename "$0"): the project's Wine prefix is not safe to use; nothing was run" >&2
  exit 1
}
eval "$prefix_env"
case "${WINEPREFIX:-}" in
  "$root"/build/*) ;;
  *) echo "$(basename "$0"): refusing a Wine prefix outside build/: '${WINEPREFIX:-}'" >&2; exit 1 ;;
esac

# Root ignores the Unix permission bits by which Wine models the read-only
# attribute; tests that depend on it read this to know.
[ "$(id -u)" -eq 0 ] && export TIDEWISP_WINE_ROOT=1

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" wine "$@"
fi
exec wine "$@"
