#!/usr/bin/env bash
# Measures the program's own cost against the bare window under Xvfb, interleaved, in two
# settings of the start-up news fetch: the news port refused, and a loopback server that answers
# after 30 ms (a stand-in for a real web site). Usage:
#   bench/measure-cost.sh [rounds] [seconds of measuring] [start-up rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
seconds=${2:-60}
startup_rounds=${3:-15}
port=8907

./tools/install-deps.sh
cmake --preset bench -DVOLTARIK_NEWS_HOST=127.0.0.1:$port >/dev/null
cmake --build --preset bench --target voltarik voltarik_bare_window

measure() {
  QT_QPA_PLATFORM=xcb xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24 -noreset" \
    /usr/bin/python3 bench/measure_cost.py build-bench/window/voltarik \
    build-bench/bench/voltarik_bare_window "$@"
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
status=0
echo "== news port refused"
measure --rounds 0 --startup-rounds "$startup_rounds" --startup-target 1.25 --rss-target 1.25 ||
  status=1

echo "== news server answering after 30 ms"
/usr/bin/python3 bench/news_server.py $port 30 &
server=$!
trap 'kill $server' EXIT
sleep 0.5
measure --rounds "$rounds" --seconds "$seconds" --startup-rounds "$startup_rounds" \
  --startup-target 1.3 || status=1
exit $status
