#!/usr/bin/env bash
# Starts the real program under Xvfb, lets it measure for a few seconds and saves a PNG of the
# screen. Usage: tools/screenshot.sh [output.png] [seconds of measuring] [scale factor]
set -euo pipefail
cd "$(dirname "$0")/.."
output=$(realpath -m "${1:-docs/screenshot.png}")
seconds=${2:-4}
scale=${3:-1}
binary=${VOLTARIK_BINARY:-build/window/voltarik}
mkdir -p "$(dirname "$output")"

xvfb-run --auto-servernum --server-args="-screen 0 1000x1000x24" bash -c '
  set -e
  QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR='"$scale"' LANG=cs_CZ.UTF-8 "'"$binary"'" &
  pid=$!
  sleep 1.5
  id=$(xdotool search --sync --onlyvisible --name "Voltarik" | head -n 1)
  # Press Start: the button sits 2880 twips from the left, 2760 from the top.
  eval "$(xdotool getwindowgeometry --shell "$id")"
  xdotool mousemove $((X + '"$scale"' * 300)) $((Y + '"$scale"' * 195)) click 1
  sleep '"$seconds"'
  import -window "$id" "'"$output"'"
  kill $pid
'
echo "saved $output"
