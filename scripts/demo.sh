#!/usr/bin/env bash
# The main job: installs what is missing, builds, and runs the plug-in through the reference
# host on the bundled default.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
./build/default/host/qlv-host-smoke ./build/default/plugin-bin/qlv_preview.so
