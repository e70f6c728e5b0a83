#!/usr/bin/env bash
# Fetches SQLite's amalgamation again, checks it against the pinned SHA-256 and
# unpacks sqlite3.c and sqlite3.h here. The checked-in files must equal what
# this script unpacks (`git diff` after running it shows nothing).
#
# The npm package sqlite3 6.0.1 carries SQLite's own release tarball,
# deps/sqlite-autoconf-3520000.tar.gz, unchanged: npm is the registry this
# project may use, and the hash below is the one of that tarball itself, so
# the package around it need not be trusted.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

readonly package="sqlite3@6.0.1"
readonly tarball="package/deps/sqlite-autoconf-3520000.tar.gz"
readonly sha256="f6b50b0c103392af32a8be15b2b9d25959de9a00a70c3979128aafeaa5338b3f"
readonly folder="sqlite-autoconf-3520000"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

(cd "$work" && npm pack --silent "$package" >/dev/null)
tar -xzf "$work"/sqlite3-6.0.1.tgz -C "$work" "$tarball"
echo "$sha256  $work/$tarball" | sha256sum --check --quiet
tar -xzf "$work/$tarball" -C "$work" "$folder/sqlite3.c" "$folder/sqlite3.h"
cp "$work/$folder/sqlite3.c" "$work/$folder/sqlite3.h" .
echo "SQLite unpacked: $(grep -m1 '^#define SQLITE_VERSION ' sqlite3.h)"
