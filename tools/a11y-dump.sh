#!/usr/bin/env bash
# Starts the program under Xvfb with an accessibility bus and prints what a screen reader sees.
set -euo pipefail
cd "$(dirname "$0")/.."
binary=${VOLTARIK_BINARY:-build/window/voltarik}
dbus-run-session -- xvfb-run --auto-servernum bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  sleep 0.5
  QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "'"$binary"'" &
  pid=$!
  /usr/bin/python3 tools/a11y_tree.py Voltarik
  kill $pid
'
