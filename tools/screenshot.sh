#!/usr/bin/env bash
# Starts the real program under Xvfb, presses Start, lets it measure for a few seconds and saves a
# PNG of the window. Fails when the window does not appear or measuring does not start.
# Usage: tools/screenshot.sh [output.png] [seconds of measuring] [scale factor, e.g. 1, 1.5, 2]
set -euo pipefail
cd "$(dirname "$0")/.."
output=$(realpath -m "${1:-docs/screenshot.png}")
seconds=${2:-4}
scale=${3:-1}
binary=$(realpath "${VOLTARIK_BINARY:-build/window/voltarik}")
[[ $scale =~ ^[0-9]+(\.[0-9]+)?$ ]] || { echo "scale must be a number such as 1.5" >&2; exit 2; }

# Runs itself again on a display of its own.
if [ -z "${VOLTARIK_SCREENSHOT_INSIDE:-}" ]; then
  exec env VOLTARIK_SCREENSHOT_INSIDE=1 xvfb-run --auto-servernum \
    --server-args="-screen 0 1600x1600x24" "$0" "$@"
fi

# A window position in pixels at this scale, from one at scale 1.
scaled() { awk -v s="$scale" -v v="$1" 'BEGIN { printf "%d", s * v + 0.5 }'; }
# The power display (8, 24, 129 x 25 pixels at scale 1): it reads " Off" until measuring starts.
power_display() {
  import -window "$1" -crop "$(scaled 129)x$(scaled 25)+$(scaled 8)+$(scaled 24)" +repage png:-
}

QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale LANG=cs_CZ.UTF-8 "$binary" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
id=$(timeout 20 xdotool search --sync --onlyvisible --name "Voltarik" | head -n 1) || true
[ -n "$id" ] || { echo "the window did not appear" >&2; exit 1; }
before=$(mktemp --suffix=.png)
trap 'kill $pid 2>/dev/null || true; rm -f "$before"' EXIT
power_display "$id" >"$before"

# Press Start: the button sits 2880 twips from the left and 2760 from the top; aim at its middle.
eval "$(xdotool getwindowgeometry --shell "$id")"
xdotool mousemove "$((X + $(scaled 300)))" "$((Y + $(scaled 195)))" click 1
sleep "$seconds"

changed=$(power_display "$id" | compare -metric AE "$before" png:- null: 2>&1 || true)
if ! [[ $changed =~ ^[0-9]+$ ]] || [ "$changed" -eq 0 ]; then
  echo "pressing Start did not start measuring (power display unchanged: $changed)" >&2
  exit 1
fi
mkdir -p "$(dirname "$output")"
import -window "$id" "$output"
echo "saved $output"
