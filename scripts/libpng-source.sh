#!/usr/bin/env bash
# Fetches Debian's libpng source package (Debian's patches applied) into the empty folder WORK
# and prints the path of the unpacked source; WORK/debian-version names the package version. Adds a deb-src entry beside Debian's own list when
# there is none (as root). Used by the builds that need libpng compiled their own way: the Windows
# build and the instrumented fuzzing build.
# Usage: libpng-source.sh WORK
set -euo pipefail
work=${1:?usage: libpng-source.sh WORK}
fail() { echo "libpng-source: $*" >&2; exit 1; }

# apt-get source needs a deb-src entry; add one beside Debian's own list if there is none.
if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  [ "$(id -u)" -eq 0 ] || fail "no deb-src entry and not root: add one for Debian's sources, then retry"
  src=/etc/apt/sources.list.d/debian.sources
  [ -f "$src" ] || fail "no $src to derive a deb-src entry from"
  sed 's/^Types: deb$/Types: deb-src/' "$src" > /etc/apt/sources.list.d/qlv-deb-src.sources
  apt-get update -qq || fail "apt-get update failed after adding the deb-src entry"
fi
command -v dpkg-source >/dev/null || { DEBIAN_FRONTEND=noninteractive apt-get install -y -qq dpkg-dev >/dev/null || fail "cannot install dpkg-dev"; }

rm -rf "$work"; mkdir -p "$work"; cd "$work"
# The newest source version can lag on a mirror; try each version apt knows, newest first.
got=
for v in $(apt-cache showsrc libpng1.6 | sed -n 's/^Version: //p' | sort -rV); do
  if apt-get source -qq "libpng1.6=$v" >/dev/null 2>&1; then got=$v; break; fi
  rm -rf "${work:?}"/*
done
[ -n "$got" ] || fail "apt-get source libpng1.6 failed for every version apt knows"
dir=$(find "$work" -maxdepth 1 -type d -name 'libpng1.6-*' | head -n 1)
[ -n "$dir" ] || fail "libpng source folder not found after apt-get source"
echo "$got" > "$work/debian-version"
echo "$dir"
