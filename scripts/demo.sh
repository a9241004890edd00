#!/usr/bin/env bash
# The main job: installs what is missing, builds the plug-in, its pictures, the demo chart and
# qlv-preview, then renders 10 seconds of the demo chart's Expert Pro Drums at 1280 x 720 (from
# 0:38: a style phrase, a tom fill and the drum flip) through the real plug-in binary into
# ./qlv-preview-out: preview.mp4 with a click on every gem, and the contact sheet.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh scripts/packages-demo.txt
cmake --preset default >/dev/null
cmake --build --preset default --target qlv-preview qlv_preview
./build/default/host/qlv-preview --instrument pro-drums --difficulty expert --start 0:38 --duration 10 \
  --size 1280x720 --click --out qlv-preview-out
