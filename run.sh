#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target voltarik
exec build/window/voltarik
