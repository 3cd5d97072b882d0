#!/usr/bin/env bash
# Draws the panel in its full view into docs/screenshot.png (offscreen: no display needed).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug
cmake --build build -j "$(nproc)" --target orva-panel-screenshot
mkdir -p docs
QT_QPA_PLATFORM=offscreen build/tools/orva-panel-screenshot docs/screenshot.png
echo "docs/screenshot.png"
