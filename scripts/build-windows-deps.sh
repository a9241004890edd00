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

dir=$(bash "$here/libpng-source.sh" "$prefix/src") || fail "no libpng source"
work="$prefix/src"
got=$(cat "$work/debian-version")
echo "building libpng $got for $triple"
cmake -S "$dir" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$here/../cmake/windows/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
  -DPNG_EXECUTABLES=OFF -DZLIB_LIBRARY=/usr/$triple/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$triple/include >/dev/null \
  || fail "configuring libpng failed"
cmake --build "$work/build" -j2 >/dev/null || fail "building libpng failed"
cmake --install "$work/build" >/dev/null || fail "installing libpng failed"
echo "$got" > "$stamp"
