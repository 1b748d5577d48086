#!/usr/bin/env bash
# What the hardening flags cost: the core's benchmarks and the program's start-up and peak memory,
# hardened against the same commit built without them (VOLTARIK_HARDEN=OFF), interleaved.
# Usage: bench/measure-hardening.sh [benchmark rounds] [start-up rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
startup_rounds=${2:-20}

./tools/install-deps.sh
cmake --preset bench >/dev/null
cmake --build --preset bench --target voltarik voltarik_core_bench >/dev/null
cmake --preset bench -B build-bench-plain -DVOLTARIK_HARDEN=OFF >/dev/null
cmake --build build-bench-plain -j2 --target voltarik voltarik_core_bench >/dev/null

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
results=$(mktemp)
trap 'rm -f "$results"' EXIT
for round in $(seq "$rounds"); do
  for build in build-bench build-bench-plain; do
    "$build/bench/voltarik_core_bench" --benchmark_repetitions=5 \
      --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
      grep '_median' | sed "s|^|$build,|" >>"$results"
  done
done
# Median over the rounds of each benchmark's median, in ns.
/usr/bin/python3 - "$results" <<'PY'
import collections, statistics, sys
times = collections.defaultdict(list)
for line in open(sys.argv[1]):
    build, name, _, _, cpu_time = line.split(",")[:5]
    times[(name.strip('"').removesuffix("_median"), build)].append(float(cpu_time))
print(f"{'benchmark':40} {'hardened':>10} {'plain':>10} {'ratio':>6}")
for name in sorted({name for name, _ in times}):
    hardened = statistics.median(times[(name, "build-bench")])
    plain = statistics.median(times[(name, "build-bench-plain")])
    print(f"{name:40} {hardened:10.1f} {plain:10.1f} {hardened / plain:6.3f}")
PY

QT_QPA_PLATFORM=xcb xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24 -noreset" \
  /usr/bin/python3 bench/measure_cost.py build-bench/window/voltarik build-bench-plain/window/voltarik \
  --rounds 0 --startup-rounds "$startup_rounds" --startup-target 1.05 --rss-target 1.05 \
  --names hardened plain
