#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug
cmake --build build -j "$(nproc)"
ctest --test-dir build --output-on-failure -j "$(nproc)"

# The link core must build without Qt.
cmake -S . -B build-core -DORVA_CORE_ONLY=ON
cmake --build build-core -j "$(nproc)"

# Every test once more with AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DORVA_SANITIZE=ON
cmake --build build-asan -j "$(nproc)"
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"

# A minute of fuzzing the receive path and half a minute the telnet codec, built by clang with
# libFuzzer.
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVA_FUZZ=ON \
    -DCMAKE_CXX_COMPILER=clang++
cmake --build build-fuzz -j "$(nproc)"
ctest --test-dir build-fuzz --output-on-failure -j "$(nproc)"
