#!/usr/bin/env bash
# The 32-bit build's programs, and the 64-bit build's second OCR run, run under Wine 10 from
# Debian unstable in its WoW64 mode, which runs 32-bit Windows programs with no 32-bit Linux
# code: it works whether or not the kernel runs 32-bit Linux programs, and it leaves the
# machine's own wine64 (Wine 8) untouched. That Wine needs a newer C library than this
# machine's, so it lives in a small unstable root of its own (LX_WINE_ROOT, default
# /opt/lexipop-wine), kept between runs as a cache; tools/winerun enters it with chroot.
# Idempotent: a root whose stamp and checks hold is left as it is.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=${LX_WINE_ROOT:-/opt/lexipop-wine}
mirror=${LX_WINE_MIRROR:-http://deb.debian.org/debian}
min_version=10.0~repack-12
packages=wine,wine64,libwine,python3,fonts-liberation,netbase

# What the 32-bit runs need from the root; prints the first thing missing.
missing() {
  local r=$1 lib=$1/usr/lib/x86_64-linux-gnu/wine
  for f in usr/lib/x86_64-linux-gnu/wine/wine usr/lib/x86_64-linux-gnu/wine/wineserver \
           usr/bin/python3; do
    [ -x "$r/$f" ] || { echo "/$f"; return; }
  done
  for f in i386-windows/kernel32.dll i386-windows/user32.dll i386-windows/wininet.dll \
           i386-windows/ntdll.dll x86_64-windows/wow64.dll x86_64-windows/wow64cpu.dll; do
    [ -f "$lib/$f" ] || { echo "${lib#"$r"}/$f"; return; }
  done
  local v
  v=$(dpkg-query --admindir="$r/var/lib/dpkg" -W -f='${Version}' libwine 2>/dev/null) || v=
  if [ -z "$v" ] || ! dpkg --compare-versions "$v" ge "$min_version"; then
    echo "libwine >= $min_version (found ${v:-none})"
  fi
}

if [ -f "$root/.lx-ready" ] && [ -z "$(missing "$root")" ]; then
  exit 0
fi
# The root is made on every machine: its 64-bit side runs the 64-bit build under Wine 10 with
# no 32-bit mode (LX_WINE_VERSION=10), so the OCR tests meet that Wine's renderer everywhere.
# WoW64 Wine still runs 32-bit code natively: where the machine cannot, tools/winerun refuses
# the 32-bit tree and its test run is reported as not run (tools/runtests).
if ! why=$("$here/../ia32probe"); then
  echo "wine32.sh: $why; the Wine 10 root serves the 64-bit build only here"
fi

echo "wine32.sh: making the WoW64 Wine root in $root (Debian unstable, minbase)"
start=$(date +%s)
new=$root.new
# A root made by an interrupted earlier run is finished rather than fetched again.
if [ ! -f "$new/.lx-made" ]; then
  rm -rf "$new"
  mmdebstrap --quiet --variant=minbase --include="$packages" \
    --aptopt='Acquire::Check-Valid-Until "false"' \
    --dpkgopt='path-exclude=/usr/share/doc/*' --dpkgopt='path-exclude=/usr/share/man/*' \
    unstable "$new" "$mirror"
  touch "$new/.lx-made"
fi

# Unstable moves: fail loudly when its Wine no longer brings what the 32-bit build needs.
gap=$(missing "$new")
if [ -n "$gap" ]; then
  echo "wine32.sh: the unstable root lacks $gap: its Wine cannot run the 32-bit build" >&2
  exit 1
fi

# Debug sections are most of Wine's size; nothing here debugs Wine itself.
find "$new/usr/lib/x86_64-linux-gnu" -name '*.so*' -type f -print0 |
  xargs -0r strip --strip-debug 2>/dev/null || true
find "$new/usr/lib/x86_64-linux-gnu/wine/x86_64-windows" -type f -print0 |
  xargs -0r x86_64-w64-mingw32-strip --strip-debug 2>/dev/null || true
find "$new/usr/lib/x86_64-linux-gnu/wine/i386-windows" -type f -print0 |
  xargs -0r i686-w64-mingw32-strip --strip-debug 2>/dev/null || true
rm -rf "$new/var/cache/apt/archives"/*.deb "$new/var/lib/apt/lists"/*_Packages

dpkg-query --admindir="$new/var/lib/dpkg" -W -f='${Version}\n' libwine >"$new/.lx-ready"
rm -rf "$root"
mv "$new" "$root"
echo "wine32.sh: Wine $(cat "$root/.lx-ready") ready in $root ($(du -sh "$root" | cut -f1)," \
     "$(( $(date +%s) - start )) s)"
