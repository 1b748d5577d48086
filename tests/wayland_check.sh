#!/usr/bin/env bash
# Starts Weston's headless compositor and an accessibility bus, and runs session_check.py against
# the program there: it must run natively, measure, and print nothing.
# Usage: wayland_check.sh PROGRAM
set -euo pipefail
here=$(dirname "$(realpath "$0")")
program=$(realpath "$1")
runtime=$(mktemp -d)
export XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=wayland-voltarik-check
weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 \
  >"$runtime/weston.log" 2>&1 &
weston=$!
trap 'kill $weston 2>/dev/null; wait $weston 2>/dev/null; rm -rf "$runtime"' EXIT
for _ in $(seq 50); do [ -S "$runtime/$WAYLAND_DISPLAY" ] && break; sleep 0.1; done
[ -S "$runtime/$WAYLAND_DISPLAY" ] || { cat "$runtime/weston.log"; exit 1; }
unset DISPLAY
dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  sleep 0.5
  /usr/bin/python3 "$1/session_check.py" "$2" --platform wayland
' check "$here" "$program"
