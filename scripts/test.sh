#!/usr/bin/env bash
# Builds both builds and runs every test tier: host (simulated machine),
# conformance (both builds) and the Windows tests under Wine.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

scripts/setup.sh

cmake --preset host
cmake --build --preset host
ctest --preset host

cmake --preset windows
cmake --build --preset windows
ctest --preset windows
