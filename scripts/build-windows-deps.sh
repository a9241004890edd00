#!/usr/bin/env bash
# Builds the Windows target's third-party libraries from Debian only, into a prefix in the build
# tree (cached: a second run does nothing):
#   zlib   - Debian's libz-mingw-w64-dev (static, already built for the target);
#   libpng - Debian's own source package (apt-get source, Debian's patches applied), built here
#            as a static library with MinGW-w64.
# Usage: build-windows-deps.sh PREFIX
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prefix=${1:?usage: build-windows-deps.sh PREFIX}
mkdir -p "$prefix"
prefix=$(cd "$prefix" && pwd)
stamp="$prefix/.libpng-built"
[ -f "$stamp" ] && exit 0

fail() { echo "build-windows-deps: $*" >&2; exit 1; }
triple=x86_64-w64-mingw32
command -v $triple-gcc-posix >/dev/null || fail "MinGW-w64 C compiler missing (apt-get install gcc-mingw-w64-x86-64)"
[ -f /usr/$triple/lib/libz.a ] || fail "zlib for the target missing (apt-get install libz-mingw-w64-dev)"

# apt-get source needs a deb-src entry; add one beside Debian's own list if there is none.
if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  [ "$(id -u)" -eq 0 ] || fail "no deb-src entry and not root: add one for Debian's sources, then retry"
  src=/etc/apt/sources.list.d/debian.sources
  [ -f "$src" ] || fail "no $src to derive a deb-src entry from"
  sed 's/^Types: deb$/Types: deb-src/' "$src" > /etc/apt/sources.list.d/qlv-deb-src.sources
  apt-get update -qq || fail "apt-get update failed after adding the deb-src entry"
fi
command -v dpkg-source >/dev/null || { DEBIAN_FRONTEND=noninteractive apt-get install -y -qq dpkg-dev >/dev/null || fail "cannot install dpkg-dev"; }

work="$prefix/src"
rm -rf "$work"; mkdir -p "$work"; cd "$work"
# The newest source version can lag on a mirror; try each version apt knows, newest first.
got=
for v in $(apt-cache showsrc libpng1.6 | sed -n 's/^Version: //p' | sort -rV); do
  if apt-get source -qq "libpng1.6=$v" >/dev/null 2>&1; then got=$v; break; fi
  rm -rf "$work"/*
done
[ -n "$got" ] || fail "apt-get source libpng1.6 failed for every version apt knows"
dir=$(find "$work" -maxdepth 1 -type d -name 'libpng1.6-*' | head -n 1)
[ -n "$dir" ] || fail "libpng source folder not found after apt-get source"
echo "building libpng $got for $triple"
cmake -S "$dir" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$here/../cmake/windows/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
  -DPNG_EXECUTABLES=OFF -DZLIB_LIBRARY=/usr/$triple/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$triple/include >/dev/null \
  || fail "configuring libpng failed"
cmake --build "$work/build" -j2 >/dev/null || fail "building libpng failed"
cmake --install "$work/build" >/dev/null || fail "installing libpng failed"
echo "$got" > "$stamp"
