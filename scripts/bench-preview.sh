#!/usr/bin/env bash
# How fast qlv-preview renders on this machine (not run in CI; takes a few minutes and a few GB
# of temporary files):
#   - video only (no PNG frames, no contact sheet) at 1280x720/30 and 1920x1080/60 with the
#     default quality, as a multiple of real time, against the encoder floor: the same raw frames
#     piped by cat from a file into the tool's own ffmpeg command line (captured with a stand-in
#     ffmpeg), so the ratio tool/floor is what the previewer adds to the encoding itself;
#   - PNG frames at 1280x720 (no video): CPU per frame (and the part of it beyond rendering) and
#     wall time, all cores used;
#   - render only at 1920x1080/60 (nothing kept): frames per second, start-up left out.
#
# Usage: scripts/bench-preview.sh [qlv-preview [plug-in]]
#   defaults: build/default/host/qlv-preview and the plug-in built beside it.
# Environment: the chart time rendered: SECONDS_720 (default 10) for the 1280x720 runs,
# SECONDS_1080 (default 6) for the 1080p video, SECONDS_RENDER (default 20) for rendering alone;
# ROUNDS (default 2): each figure is the best of that many runs, tool and floor alike.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$here/build/default/host/qlv-preview}
plugin=${2:-$(dirname "$program")/../plugin-bin/qlv_preview.so}
s720=${SECONDS_720:-10}
s1080=${SECONDS_1080:-6}
rounds=${ROUNDS:-2}
ffmpeg=$(command -v ffmpeg) || { echo "bench-preview: ffmpeg is needed (apt-get install ffmpeg)" >&2; exit 1; }
[ -x "$program" ] || { echo "bench-preview: no program at $program (build qlv-preview first)" >&2; exit 1; }
[ -f "$plugin" ] || { echo "bench-preview: no plug-in at $plugin" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/qlv-bench-preview-XXXXXX")
trap 'rm -rf "$work"' EXIT

# Runs the rest of the line; sets wall, cpu (user + system, children included).
timed_once() {
  local t
  t=$( { TIMEFORMAT='%R %U %S'; time "$@" >/dev/null 2>"$work/stderr"; } 2>&1 ) || {
    echo "bench-preview: failed: $*" >&2
    cat "$work/stderr" >&2
    exit 1
  }
  read -r wall user sys <<<"$t"
  cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')
}

# As timed_once, the best of ROUNDS runs (on a busy machine the best is the least disturbed).
timed() {
  local best_wall="" best_cpu="" r
  for ((r = 0; r < rounds; ++r)); do
    timed_once "$@"
    if [ -z "$best_wall" ] || awk -v a="$wall" -v b="$best_wall" 'BEGIN { exit !(a < b) }'; then
      best_wall=$wall best_cpu=$cpu
    fi
  done
  wall=$best_wall cpu=$best_cpu
}

preview() { "$program" --plugin "$plugin" -q "$@"; }

# A stand-in encoder: keeps its arguments and the raw frames it is sent.
mkdir -p "$work/bin"
cat >"$work/bin/ffmpeg" <<'EOF'
#!/bin/sh
printf '%s\n' "$@" >"$QLV_BENCH_ARGS"
cat >"$QLV_BENCH_RAW"
EOF
chmod +x "$work/bin/ffmpeg"

echo "qlv-preview: $program"
echo "machine: $(nproc) cores; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

video() {
  local size=$1 fps=$2 seconds=$3
  local frames
  frames=$(awk -v s="$seconds" -v f="$fps" 'BEGIN { print int(s * f + 0.999999) }')
  # The floor: the tool's own command line fed from a file by cat.
  QLV_BENCH_ARGS="$work/args" QLV_BENCH_RAW="$work/raw" PATH="$work/bin:$PATH" \
    preview --size "$size" --fps "$fps" --duration "$seconds" --sheet 0 -o "$work/capture"
  local -a args=()
  mapfile -t args <"$work/args"
  args[0]=$ffmpeg
  args[${#args[@]}-1]=$work/floor.mp4
  cat "$work/raw" >/dev/null  # in the page cache for the floor as for the tool
  timed sh -c 'cat "$0" | "$@"' "$work/raw" "${args[@]}"
  local floor_wall=$wall floor_cpu=$cpu
  rm -f "$work/raw"
  timed preview --size "$size" --fps "$fps" --duration "$seconds" --sheet 0 -o "$work/video"
  awk -v what="video only $size/$fps" -v s="$seconds" -v n="$frames" -v tw="$wall" -v tc="$cpu" \
      -v fw="$floor_wall" -v fc="$floor_cpu" 'BEGIN {
    printf "%-26s %5.2fx real time (%.1f ms/frame wall, %.1f CPU); floor %5.2fx (%.1f, %.1f); tool/floor %.2f\n",
           what, s / tw, 1000 * tw / n, 1000 * tc / n, s / fw, 1000 * fw / n, 1000 * fc / n, tw / fw }'
  rm -rf "$work/video" "$work/capture" "$work/floor.mp4"
}

video 1280x720 30 "$s720"
video 1920x1080 60 "$s1080"

frames720=$(awk -v s="$s720" 'BEGIN { print int(s * 30 + 0.999999) }')
timed preview --size 1280x720 --fps 30 --duration "$s720" --sheet 0 --no-video -o "$work/render720"
render_cpu=$cpu
timed preview --size 1280x720 --fps 30 --duration "$s720" --sheet 0 --no-video --frames -o "$work/png"
awk -v n="$frames720" -v w="$wall" -v c="$cpu" -v r="$render_cpu" 'BEGIN {
  printf "%-26s %.1f ms CPU/frame (%.1f beyond rendering), %.1f ms wall/frame, %.2fx real time\n",
         "PNG frames 1280x720/30", 1000 * c / n, 1000 * (c - r) / n, 1000 * w / n, n / 30 / w }'
rm -rf "$work/png" "$work/render720"

# Rendering alone is quick: a longer render, less a one-frame render (loading the plug-in and
# its pictures, the first paint), gives the steady rate.
srender=${SECONDS_RENDER:-20}
frames1080=$(awk -v s="$srender" 'BEGIN { print int(s * 60 + 0.999999) }')
timed preview --size 1920x1080 --fps 60 --duration 0.01 --sheet 0 --no-video -o "$work/render"
start_wall=$wall start_cpu=$cpu
timed preview --size 1920x1080 --fps 60 --duration "$srender" --sheet 0 --no-video -o "$work/render"
awk -v n="$frames1080" -v w="$wall" -v c="$cpu" -v w0="$start_wall" -v c0="$start_cpu" 'BEGIN {
  printf "%-26s %.0f frames/s (%.2f ms wall, %.2f ms CPU a frame; start-up %.2f s)\n", "render only 1920x1080/60",
         (n - 1) / (w - w0), 1000 * (w - w0) / (n - 1), 1000 * (c - c0) / (n - 1), w0 }'
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
