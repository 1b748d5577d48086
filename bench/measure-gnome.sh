#!/usr/bin/env bash
# Start-up and peak memory in a GNOME session's environment against the same program with no
# desktop variables, interleaved, under Xvfb; then the same with Qt's GTK 3 theme asked for
# explicitly (QT_QPA_PLATFORMTHEME=gtk3), which is what GNOME got before the program stopped
# loading it. Usage: bench/measure-gnome.sh [start-up rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-20}

./tools/install-deps.sh
cmake --preset bench >/dev/null
cmake --build --preset bench --target voltarik >/dev/null

gnome=(--voltarik-env XDG_CURRENT_DESKTOP=GNOME --voltarik-env XDG_SESSION_DESKTOP=gnome
       --voltarik-env DESKTOP_SESSION=gnome --voltarik-env XDG_SESSION_TYPE=x11)
measure() {
  QT_QPA_PLATFORM=xcb xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24 -noreset" \
    /usr/bin/python3 bench/measure_cost.py build-bench/window/voltarik \
    build-bench/window/voltarik --rounds 0 --startup-rounds "$rounds" "$@"
}
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
echo "== GNOME's variables against none"
measure "${gnome[@]}" --names gnome plain --startup-target 1.1 --rss-target 1.05
echo "== GNOME's variables with the GTK 3 theme asked for, against none"
measure "${gnome[@]}" --voltarik-env QT_QPA_PLATFORMTHEME=gtk3 --names gtk3 plain \
  --startup-target 1.1 --rss-target 1.05 || true
