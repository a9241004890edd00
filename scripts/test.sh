#!/usr/bin/env bash
# Installs what is missing, builds the Windows library and programs, then builds and runs every
# test: the optimised build (tests and a one-iteration smoke run of each benchmark), then the
# whole suite again under AddressSanitizer + UndefinedBehaviorSanitizer (the stress host
# included), then the tests where threads meet under ThreadSanitizer: the stress host, the
# concurrency test and the editor tests. Each stage prints its time.
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
  stage_start=$SECONDS
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "== $preset: test"
  ctest --preset "$preset"
  echo "== $preset: $((SECONDS - stage_start)) s"
done
# ThreadSanitizer: only what the threaded tests need is built (the whole suite would not fit the
# time CI has), and only those tests run.
stage_start=$SECONDS
echo "== tsan: configure and build"
cmake --preset tsan >/dev/null
cmake --build --preset tsan --target qlv_stress qlv_preview plugin_shell_tests plugin_editor_tests editor_e2e_tests \
  tools_tests
echo "== tsan: test"
ctest --preset tsan -R '^(stress$|Concurrency\.|Editor|FramePipeline\.)'
echo "== tsan: $((SECONDS - stage_start)) s"
echo "== total: $SECONDS s"
