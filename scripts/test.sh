#!/usr/bin/env bash
# Builds Tidewisp and its tests for Windows and runs every test under Wine, in
# the project's own safe prefix, then the installer's checks in a prefix of
# their own.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup.sh

cmake --preset windows
cmake --build --preset windows
ctest --preset windows
tests/browsers/reopen-check.sh
tests/installer/check.sh
tests/dll-search/check.sh
