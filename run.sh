#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install-deps.sh
cmake -S . -B build -DVOLTARIK_TESTS=OFF -DVOLTARIK_BENCHMARKS=OFF
cmake --build build -j2 --target voltarik
exec build/window/voltarik
