# Sourced by the fetch.sh scripts beside it: fetches one of Debian's source
# packages and unpacks chosen files of its upstream (.orig) tarball, after
# checking that tarball against a pinned SHA-256.
#
# apt-get is given a sources list and a lists folder of its own, in a scratch
# folder, for both its update and its download: the machine's own lists and
# sources stay exactly as they are.

# The mirror the machine's own sources name, Debian's by default.
debian_mirror() {
  local uri
  uri=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
  echo "${uri:-http://deb.debian.org/debian}"
}

# unpack_debian_orig PACKAGE TARBALL SHA256 FOLDER FILE...
#   Downloads PACKAGE's source from bookworm, checks TARBALL (the .orig
#   tarball's file name) against SHA256, then unpacks FOLDER/FILE... of it
#   into the current folder, without FOLDER.
unpack_debian_orig() {
  local package="$1" tarball="$2" sha256="$3" folder="$4"
  shift 4
  local work
  work="$(mktemp -d)"
  chmod 755 "$work"  # apt's download user must reach it
  # shellcheck disable=SC2064  # the folder is known now
  trap "rm -rf '$work'" EXIT
  cat >"$work/src.sources" <<LIST
Types: deb-src
URIs: $(debian_mirror)
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
LIST
  mkdir -p "$work/lists/partial"
  local opts=(-o "Dir::Etc::sourcelist=$work/src.sources" -o Dir::Etc::sourceparts=/dev/null
              -o "Dir::State::Lists=$work/lists")
  apt-get "${opts[@]}" -qq update
  (cd "$work" && apt-get "${opts[@]}" -qq source --download-only "$package" >/dev/null)
  echo "$sha256  $work/$tarball" | sha256sum --check --quiet
  tar -xzf "$work/$tarball" --strip-components=1 "${@/#/$folder/}"
}
