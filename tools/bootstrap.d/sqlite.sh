#!/usr/bin/env bash
# Database engine stand-in: fetches Debian's sqlite3 source package into outside/sqlite/src/
# (ignored by git) and makes the amalgamation sqlite3.c the build compiles. Idempotent: each
# step runs only when its result is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
src=$root/outside/sqlite/src
SUDO=
[ "$(id -u)" = 0 ] || SUDO=sudo

# The amalgamation is all the build needs; once it is there nothing else runs.
if [ -s "$src/sqlite3.c" ] && [ -s "$src/sqlite3.h" ]; then
  exit 0
fi

# 1. A deb-src entry for bookworm main (this machine keeps deb822 .sources files).
has_debsrc() {
  grep -rqsE '^[[:space:]]*Types:.*deb-src' /etc/apt/sources.list.d/*.sources 2>/dev/null &&
    grep -rqsE '^[[:space:]]*Suites:.*\bbookworm\b' /etc/apt/sources.list.d/*.sources && return 0
  grep -qsE '^[[:space:]]*deb-src[[:space:]].*[[:space:]]bookworm[[:space:]].*\bmain\b' \
    /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null
}
if ! has_debsrc; then
  echo "sqlite.sh: adding a deb-src entry for bookworm main"
  $SUDO tee /etc/apt/sources.list.d/lx-debsrc.sources >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  $SUDO apt-get update -q
fi

# 2. The source package, unpacked once.
mkdir -p "$src"
tree=$(find "$src" -maxdepth 1 -mindepth 1 -type d -name 'sqlite3-*' | head -n1)
if [ -z "$tree" ]; then
  echo "sqlite.sh: fetching the sqlite3 source package"
  if ! (cd "$src" && apt-get source -q sqlite3); then
    $SUDO apt-get update -q
    (cd "$src" && apt-get source -q sqlite3)
  fi
  tree=$(find "$src" -maxdepth 1 -mindepth 1 -type d -name 'sqlite3-*' | head -n1)
fi
[ -n "$tree" ] || { echo "sqlite.sh: no sqlite3 source tree under $src" >&2; exit 1; }

# 3. The amalgamation: generated from the full source tree by its own Makefile (needs tclsh).
if [ -s "$tree/sqlite3.c" ] && [ -s "$tree/sqlite3.h" ]; then
  :
else
  echo "sqlite.sh: generating the amalgamation in $tree/bld"
  mkdir -p "$tree/bld"
  (cd "$tree/bld" && { [ -f Makefile ] || ../configure --disable-tcl >configure.log 2>&1; } &&
     make sqlite3.c >make.log 2>&1)
  cp "$tree/bld/sqlite3.c" "$tree/bld/sqlite3.h" "$tree/"
fi
cp "$tree/sqlite3.c" "$tree/sqlite3.h" "$src/"
echo "sqlite.sh: amalgamation ready in $src"
