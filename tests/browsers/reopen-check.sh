#!/usr/bin/env bash
# Opens the profiles the engine's tests cleaned with the real browsers again,
# headless, and checks each browser took its profile as it was: databases
# sound, History still chromium's, places.sqlite not set aside as corrupt,
# bookmarks listed exactly as the cleaned files hold them, settings kept, the
# test extension's own data kept, and the stored-data site (served again on
# 127.0.0.2) finding nothing after Cookies and everything otherwise. The
# checked-in profiles are opened too, as the control.
#
# Reads build/wine/prefix/drive_c/tw-cleaned/<case>/{chromium/User Data,
# firefox/<profile>,boxes} (or the folder given as $1); works on copies in
# build/reopen and writes nothing else (the browsers get a scratch HOME and
# TMPDIR there). Runs no Wine. Ends with "N passed, N failed".
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"
cleaned="${1:-build/wine/prefix/drive_c/tw-cleaned}"
mkdir -p build
exec python3 tests/browsers/reopen_check.py build/reopen tests/data/browsers "$cleaned"
