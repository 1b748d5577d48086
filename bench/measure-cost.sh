#!/usr/bin/env bash
# Measures the program's own cost against the bare window under Xvfb, with a news server on
# loopback that answers at once.
# Usage: bench/measure-cost.sh [rounds] [seconds of measuring] [start-up rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
seconds=${2:-60}
port=8907

./tools/install-deps.sh
command -v /usr/bin/python3 >/dev/null && /usr/bin/python3 -c 'import Xlib' 2>/dev/null ||
  apt-get install -y --no-install-recommends python3 python3-xlib

cmake --preset bench -DVOLTARIK_NEWS_HOST=127.0.0.1:$port >/dev/null
cmake --build --preset bench --target voltarik voltarik_bare_window

news=$(mktemp -d)
printf 'Voltarik 1.1 je venku!\r\n' >"$news/voltarik.txt"
/usr/bin/python3 -m http.server $port --bind 127.0.0.1 --directory "$news" >/dev/null 2>&1 &
server=$!
trap 'kill $server; rm -rf "$news"' EXIT
sleep 0.5

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
QT_QPA_PLATFORM=xcb xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24 -noreset" \
  /usr/bin/python3 bench/measure_cost.py build-bench/window/voltarik \
  build-bench/bench/voltarik_bare_window --rounds "$rounds" --seconds "$seconds" --startup-rounds "${3:-15}"
