#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own safe prefix (the test
# emulator of the windows build, and how the start script runs Tidewisp).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/wine-env.sh"

# Root ignores the Unix permission bits by which Wine models the read-only
# attribute; tests that depend on it read this to know.
[ "$(id -u)" -eq 0 ] && export TIDEWISP_WINE_ROOT=1

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" wine "$@"
fi
exec wine "$@"
