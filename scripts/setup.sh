#!/usr/bin/env bash
# Installs what building and testing Tidewisp needs on a Debian machine.
set -euo pipefail
exec "$(dirname "${BASH_SOURCE[0]}")/install-packages.sh" \
  cmake make g++ googletest mingw-w64 wine wine64 fonts-wine xvfb xauth nsis imagemagick \
  chromium firefox-esr sqlite3 python3
