#!/usr/bin/env bash
# Fetches Snappy 1.1.9 again from Debian's source package, checks its upstream
# tarball against the pinned SHA-256 and unpacks here the files the library
# needs: no tests, benchmarks, fuzzers or C binding. The checked-in files must
# equal what this script unpacks (`git diff` after running it shows nothing);
# never edit them by hand.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
source ../debian-source.sh

files=(COPYING AUTHORS snappy.cc snappy.h snappy-internal.h snappy-sinksource.cc
  snappy-sinksource.h snappy-stubs-internal.cc snappy-stubs-internal.h snappy-stubs-public.h.in)

rm -f "${files[@]}"
unpack_debian_orig snappy snappy_1.1.9.orig.tar.gz \
  75c1fbb3d618dd3a0483bff0e26d0a92b495bbe5059c8b4f1c962b478b6e06e7 snappy-1.1.9 "${files[@]}"
echo "Snappy 1.1.9 unpacked."
