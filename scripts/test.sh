#!/usr/bin/env bash
# Installs what is missing, builds the Windows library and programs, then builds and runs every
# test: the optimised build (tests and a one-iteration smoke run of each benchmark), then the
# whole suite again under AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# The Windows build first: the native tests run it under Wine (and report themselves skipped
# without it). Its third-party libraries come from Debian's sources; when those cannot be had
# the Windows build is left out rather than failing everything.
echo "== windows: libraries, configure and build"
windows_start=$SECONDS
if bash scripts/build-windows-deps.sh build/windows-deps; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows
else
  echo "== windows: no third-party libraries for the Windows build; its tests will be skipped" >&2
fi
echo "== windows: $((SECONDS - windows_start)) s"
for preset in default asan; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "== $preset: test"
  ctest --preset "$preset"
done
