#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time, starting from its
# committed seed corpus (copied, so runs do not grow the repository). A crash fails the run and
# leaves its input in build-fuzz/. Usage: tools/fuzz.sh [seconds per target]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

for target in value_text tick news_decoding news_display news_frame; do
  corpus=build-fuzz/corpus/$target
  mkdir -p "$corpus"
  cp -n fuzz/corpus/$target/* "$corpus"/
  log=build-fuzz/$target.log
  if ! (cd build-fuzz && "fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=4096 "corpus/$target" >"$target.log" 2>&1); then
    tail -n 40 "$log"
    echo "fuzz: ${target}_fuzz failed; the input is in build-fuzz/"
    exit 1
  fi
  echo "fuzz: ${target}_fuzz $(grep -E '^Done [0-9]+ runs' "$log")"
done
