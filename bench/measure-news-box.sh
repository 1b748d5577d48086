#!/usr/bin/env bash
# The news box with every shape of news document in bench/news_box_bench.cpp, each in a process
# of its own under Xvfb: time from the end of the fetch to the window's first paint, peak memory,
# and the box's responsiveness afterwards (medians over the rounds). With --unlimited the box
# takes the documents as they are, to compare; a shape that takes longer than the time limit
# shows as "-". Usage: bench/measure-news-box.sh [rounds] [--unlimited] [time limit in seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
mode=${2:-}
limit=${3:-30}

./tools/install-deps.sh
cmake --preset bench >/dev/null
cmake --build --preset bench --target voltarik_news_box_bench >/dev/null
bench=build-bench/bench/voltarik_news_box_bench

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
results=$(mktemp)
trap 'rm -f "$results"' EXIT
for round in $(seq "$rounds"); do
  for shape in $("$bench" --list); do
    QT_QPA_PLATFORM=xcb timeout "$limit" xvfb-run --auto-servernum \
      --server-args="-screen 0 1024x768x24 -noreset" "$bench" "$shape" $mode 2>/dev/null |
      grep first_paint_ms >>"$results" || echo "$shape timed-out" >>"$results"
  done
done
/usr/bin/python3 - "$results" <<'PY'
import collections, statistics, sys
runs = collections.defaultdict(list)
for line in open(sys.argv[1]):
    shape, *fields = line.split()
    runs[shape].append(dict(field.split("=") for field in fields if "=" in field))
columns = ["first_paint_ms", "peak_rss_mib", "lines", "ctrl_end_ms", "page_down_ms",
           "scroll_bar_ms", "select_copy_ms", "typing_ms"]
print(f"{'shape':26} {'bytes':>8} " + " ".join(f"{c.removesuffix('_ms'):>11}" for c in columns))
for shape, found in runs.items():
    done = [run for run in found if run]
    if not done:
        print(f"{shape:26} {'':>8} " + " ".join(f"{'-':>11}" for _ in columns))
        continue
    median = {c: statistics.median(float(run[c]) for run in done) for c in columns}
    print(f"{shape:26} {done[0]['bytes']:>8} " +
          " ".join(f"{median[c]:11.1f}" for c in columns))
PY
