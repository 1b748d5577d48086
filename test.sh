#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test; ends with CTest's summary.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install-deps.sh

# The metering core must build and pass its tests with no Qt at all.
cmake -S . -B build-core -DVOLTARIK_WINDOW=OFF -DVOLTARIK_BENCHMARKS=OFF
cmake --build build-core -j2
ctest --test-dir build-core -j2 --output-on-failure

cmake -S . -B build -DVOLTARIK_TESTS=ON -DVOLTARIK_BENCHMARKS=ON
cmake --build build -j2
QT_QPA_PLATFORM=offscreen ctest --test-dir build -j2 --output-on-failure
