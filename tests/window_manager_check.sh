#!/usr/bin/env bash
# Runs window_manager_check.py against the program under Xvfb with openbox as the window manager.
# Usage: window_manager_check.sh PROGRAM
set -euo pipefail
here=$(dirname "$(realpath "$0")")
exec xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24" bash -c '
  openbox --sm-disable &
  for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done
  QT_QPA_PLATFORM=xcb /usr/bin/python3 "$1/window_manager_check.py" "$2"
' check "$here" "$(realpath "$1")"
