#!/usr/bin/env bash
# Installs what is missing, builds, and starts the panel on a simulated projector.
# Further arguments go to orva-control (for example --com2 /dev/ttyUSB0).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug
cmake --build build -j "$(nproc)" --target orva-control
exec build/orva-control --simulate "$@"
