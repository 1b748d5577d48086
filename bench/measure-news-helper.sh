#!/usr/bin/env bash
# What keeping the network in the news helper costs and saves, under Xvfb, every pair interleaved
# (measure_cost.py):
#   1. news port refused: the program against the bare window, which links no libcurl (start-up to
#      the first mapped window and peak memory; targets 1.15 and 1.05), and the program alone, a
#      copy without its helper beside it, against the same (what the helper's loading costs);
#   2. a server answering after 30 ms: the program against the same window built after an
#      in-process fetch (bench/fetch_then_window.cpp; start-up, target 0.9);
#   3. with a BEFORE commit: CPU time and wake-ups while measuring, against the program built from
#      that commit (no worse: target 1.0 plus noise), and its start-up and memory;
#   4. the helper itself: its peak memory and lifetime, with the port refused and with the server;
#   5. 2 and 4 again over HTTPS, with a build whose address is https:// and a trust store of the
#      system's hashed certificate folder with the server's certificate added, so that the server
#      is verified as a real site would be.
# Usage: bench/measure-news-helper.sh [start-up rounds] [seconds of measuring] [BEFORE]
set -euo pipefail
cd "$(dirname "$0")/.."
startup_rounds=${1:-20}
seconds=${2:-30}
before=${3:-}
port=8907
worktree=
server=
alone=$(mktemp -d)
cleanup() {
  [ -z "$server" ] || kill "$server"
  [ -z "$worktree" ] || git worktree remove --force "$worktree"
  rm -rf "$alone"
}
build() {  # ADDRESS
  cmake --preset bench -DVOLTARIK_NEWS_HOST="$1" >/dev/null
  cmake --build --preset bench --target voltarik voltarik-news voltarik_bare_window \
    voltarik_fetch_then_window >/dev/null
}
trap cleanup EXIT

./tools/install-deps.sh
build 127.0.0.1:$port
program=build-bench/window/voltarik
helper=build-bench/libexec/voltarik/voltarik-news

measure() {
  QT_QPA_PLATFORM=xcb xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24 -noreset" \
    /usr/bin/python3 bench/measure_cost.py "$@"
}

helper_cost() {  # [ADDRESS]
  /usr/bin/python3 - "$helper" "${1:-127.0.0.1:$port}/voltarik.txt" <<'PY'
import os, statistics, subprocess, sys, time
peaks, lifetimes = [], []
for _ in range(10):
    started = time.monotonic()
    child = subprocess.Popen([sys.argv[1], sys.argv[2], "3000", str(os.getpid())],
                             stdout=subprocess.DEVNULL,
                             env={k: v for k, v in os.environ.items() if k == "SSL_CERT_DIR"})
    _, status, usage = os.wait4(child.pid, 0)
    lifetimes.append((time.monotonic() - started) * 1000)
    peaks.append(usage.ru_maxrss / 1024)
print(f"helper: peak memory {statistics.median(peaks):.2f} MiB, "
      f"lifetime {statistics.median(lifetimes):.1f} ms (medians of 10)")
PY
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
status=0
echo "== news port refused: program / bare window"
measure "$program" build-bench/bench/voltarik_bare_window --rounds 0 \
  --startup-rounds "$startup_rounds" --startup-target 1.15 --rss-target 1.05 || status=1
helper_cost
echo "== news port refused: program without its helper / bare window"
mkdir "$alone/window"
cp "$program" "$alone/window/"
measure "$alone/window/voltarik" build-bench/bench/voltarik_bare_window --names alone bare \
  --rounds 0 --startup-rounds "$startup_rounds" --startup-target 1.15 --rss-target 1.05 || status=1

if [ -n "$before" ]; then
  echo "== news port refused: program / program of $before"
  worktree=$(mktemp -d)
  git worktree add --detach "$worktree" "$before" >/dev/null
  cmake -S "$worktree" -B "$worktree/build" -DCMAKE_BUILD_TYPE=Release -DVOLTARIK_TESTS=OFF \
    -DVOLTARIK_BENCHMARKS=OFF -DVOLTARIK_NEWS_HOST=127.0.0.1:$port >/dev/null
  cmake --build "$worktree/build" -j2 --target voltarik >/dev/null
  measure "$program" "$worktree/build/window/voltarik" --names now before --rounds 3 \
    --seconds "$seconds" --startup-rounds "$startup_rounds" --startup-target 1.0 \
    --rss-target 1.0 --cpu-target 1.1 || status=1
fi

echo "== news server answering after 30 ms: program / fetch, then window"
/usr/bin/python3 bench/news_server.py $port 30 &
server=$!
sleep 0.5
measure "$program" build-bench/bench/voltarik_fetch_then_window --names program sequential \
  --rounds 0 --startup-rounds "$startup_rounds" --startup-target 0.9 --rss-target 10 || status=1
helper_cost
kill "$server"
server=

echo "== HTTPS news server answering after 30 ms: program / fetch, then window"
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 1 -subj /CN=127.0.0.1 \
  -addext subjectAltName=IP:127.0.0.1 -keyout "$alone/key.pem" -out "$alone/certificate.pem" \
  2>/dev/null
mkdir "$alone/certs"
cp -a /etc/ssl/certs/. "$alone/certs/"
cp "$alone/certificate.pem" "$alone/certs/voltarik-bench.pem"
openssl rehash "$alone/certs"
export SSL_CERT_DIR=$alone/certs
build https://127.0.0.1:$port
/usr/bin/python3 bench/news_server.py $port 30 short "$alone/certificate.pem" "$alone/key.pem" &
server=$!
sleep 0.5
measure "$program" build-bench/bench/voltarik_fetch_then_window --names program sequential \
  --rounds 0 --startup-rounds "$startup_rounds" --startup-target 0.9 --rss-target 10 || status=1
helper_cost https://127.0.0.1:$port
exit $status
