#!/usr/bin/env bash
# Builds the two downloads of a release into build/dist/:
#   tidewisp-setup-<version>.exe   the per-user installer (packaging/tidewisp.nsi)
#   tidewisp-<version>-win64.zip   the portable program with README.txt and NOTICES.txt
# and SHA256SUMS beside them: their SHA-256 checksums, as sha256sum writes
# them (`cd build/dist && sha256sum -c SHA256SUMS` checks them).
# The version is the CMake project's VERSION, read back from the configured
# cache so that CMakeLists.txt stays the one place that states it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root="$PWD"

scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target tidewisp

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
if [ -z "$version" ]; then
  echo "package: no CMAKE_PROJECT_VERSION in build/windows/CMakeCache.txt" >&2
  exit 1
fi
# A Windows version resource holds exactly four numbers.
IFS=. read -r -a numbers <<<"$version"
while [ ${#numbers[@]} -lt 4 ]; do numbers+=(0); done
vi_version="${numbers[0]}.${numbers[1]}.${numbers[2]}.${numbers[3]}"

dist="$root/build/dist"
setup="$dist/tidewisp-setup-$version.exe"
zip="$dist/tidewisp-$version-win64.zip"
mkdir -p "$dist"
rm -f "$setup" "$zip" "$dist/SHA256SUMS"

stage="$dist/.zip-stage"
rm -rf "$stage"
mkdir -p "$stage"
cp build/windows/tidewisp.exe "$stage/"
# Windows line endings, for Notepad on older Windows.
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' packaging/README.txt >"$stage/README.txt"
# The licences of the libraries built into the program go wherever it goes.
sed -e 's/$/\r/' packaging/NOTICES.txt >"$stage/NOTICES.txt"

makensis -WX -V2 -DVERSION="$version" -DVI_VERSION="$vi_version" \
  -DEXE="$root/build/windows/tidewisp.exe" -DNOTICES="$stage/NOTICES.txt" -DOUTFILE="$setup" \
  packaging/tidewisp.nsi

# The archive holds its files at the top: Windows' "Extract All" already
# makes a folder named after the archive.
(cd "$stage" && cmake -E tar cf "$zip" --format=zip tidewisp.exe README.txt NOTICES.txt)
rm -rf "$stage"

# The names alone, without folders: the file is checked where it was
# downloaded, beside the two downloads.
(cd "$dist" && sha256sum "${setup##*/}" "${zip##*/}" >SHA256SUMS)

echo "package: $setup"
echo "package: $zip"
echo "package: $dist/SHA256SUMS"
