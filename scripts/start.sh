#!/usr/bin/env bash
# Builds tidewisp.exe and starts it under Wine in the project's own safe prefix
# (build/wine/prefix; never ~/.wine). Arguments are passed to the program:
# `scripts/start.sh auto` makes a scheduled start.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target tidewisp
exec scripts/wine-run.sh build/windows/tidewisp.exe "$@"
