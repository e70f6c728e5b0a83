#!/usr/bin/env bash
# Runs each browser's own clearing (cookies and site data, cache, history)
# on a copy of the checked-in profiles and counts the files that still name
# the stored-data site or hold its data; counts the same in each Tidewisp-
# cleaned case given (e.g. build/wine/prefix/drive_c/tw-cleaned/all). Prints
# a table (-v: and the files; --settle=SECONDS: the browsers stay open that
# long after their clearing). Run by a developer, not by CI; works in
# build/side-by-side and runs no Wine. See docs/browsers.md.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"
mkdir -p build
exec python3 tests/browsers/side_by_side.py build/side-by-side tests/data/browsers "$@"
