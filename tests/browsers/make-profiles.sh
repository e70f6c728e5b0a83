#!/usr/bin/env bash
# Makes the browser test data in tests/data/browsers again: small real
# profiles written by Debian's chromium and firefox-esr, run headless against
# pages served on 127.0.0.1 and a site of their own on 127.0.0.2 (ports 38527
# and 38528, which must be free), then closed, stripped of links and of what
# is big and unrelated, and compacted. Run by a developer, not by CI; commit the
# result. docs/browsers.md says what the profiles hold.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"
scripts/install-packages.sh chromium firefox-esr sqlite3 python3
mkdir -p build
python3 tests/browsers/make_profiles.py build/browser-profiles tests/data/browsers
echo "made tests/data/browsers ($(du -sh --apparent-size tests/data/browsers | cut -f1))"
