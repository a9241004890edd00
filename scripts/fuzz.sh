#!/usr/bin/env bash
# Builds one fuzz target with clang's libFuzzer and AddressSanitizer + UndefinedBehaviorSanitizer
# and runs it for a bounded time, starting from its seed corpus. libpng is Debian's source built
# here with the same instrumentation, so the fuzzer sees inside the decoder.
# Usage: fuzz.sh TARGET SECONDS [extra libFuzzer options]
#   TARGET: png_fuzz, smf_fuzz or plugin_input_fuzz.
# The corpus grows in build/fuzz/corpus/TARGET; findings land in build/fuzz/findings/TARGET/.
# Replay one with the target's binary and the finding's path.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: fuzz.sh TARGET SECONDS [libFuzzer options]}
seconds=${2:?usage: fuzz.sh TARGET SECONDS [libFuzzer options]}
shift 2
bash scripts/install-deps.sh
root=$PWD
build=$root/build/fuzz
deps=$root/build/fuzz-deps
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
flags="-O1 -g $sanitize -fsanitize=fuzzer-no-link"
# The project (not libpng) leaves its raster loops out of the coverage feedback.
project_flags="$flags -fsanitize-coverage-ignorelist=$root/fuzz/coverage_ignore.txt"

# Instrumented libpng (cached: built once).
if [ ! -f "$deps/.libpng-built" ]; then
  dir=$(bash scripts/libpng-source.sh "$deps/src")
  echo "== fuzz: building instrumented libpng"
  CC=clang cmake -S "$dir" -B "$deps/src/build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="$flags" \
    -DCMAKE_INSTALL_PREFIX="$deps" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DCMAKE_POSITION_INDEPENDENT_CODE=ON >/dev/null
  cmake --build "$deps/src/build" -j2 >/dev/null
  cmake --install "$deps/src/build" >/dev/null
  touch "$deps/.libpng-built"
fi

echo "== fuzz: configure and build $target"
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$build" "${launcher[@]}" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS_RELEASE="$project_flags" -DCMAKE_CXX_FLAGS_RELEASE="$project_flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$sanitize" -DCMAKE_SHARED_LINKER_FLAGS="$sanitize" \
  -DQLV_LIBFUZZER=ON -DQLV_BUILD_TESTS=OFF -DQLV_BUILD_BENCH=OFF \
  -DPNG_LIBRARY="$deps/lib/libpng16.a" -DPNG_PNG_INCLUDE_DIR="$deps/include" >/dev/null
target_options=()
more_seeds=()
case "$target" in
  png_fuzz) seed_maker=png_fuzz_seeds; more_seeds=("$root/../shared/testdata/pngsuite") ;;
  smf_fuzz) seed_maker=smf_fuzz_seeds ;;
  # A kilobyte holds the longest chunk and some 180 records; longer inputs only slow each run.
  plugin_input_fuzz) seed_maker=plugin_input_fuzz_seeds; target_options=(-max_len=1024) ;;
  *) echo "fuzz.sh: unknown target $target" >&2; exit 2 ;;
esac
cmake --build "$build" --target "$target" $seed_maker -j2
binary=$(find "$build/fuzz" -name "$target" -type f -perm -u+x | head -n 1)
seeds=$build/seeds/$target
"$(find "$build/fuzz" -name "$seed_maker" -type f -perm -u+x | head -n 1)" "$seeds" >/dev/null
corpus=$build/corpus/$target
findings=$build/findings/$target
mkdir -p "$corpus" "$findings"
echo "== fuzz: running $target for $seconds s"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$binary" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/" "${target_options[@]}" "$@" "$corpus" "$seeds" "${more_seeds[@]}"
