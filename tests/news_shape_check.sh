#!/usr/bin/env bash
# Serves the news document that cost the news box most, just under the fetch's 1 MiB cap of
# Latin letters interleaved with Hebrew ones with no break opportunity, and runs session_check.py
# against the program under Xvfb with an accessibility bus. Xvfb must not reset when its first
# client (the accessibility bus) leaves: a program connecting meanwhile would find no display.
# Usage: news_shape_check.sh PROGRAM
set -euo pipefail
here=$(dirname "$(realpath "$0")")
program=$(realpath "$1")
document=$(mktemp)
export XDG_RUNTIME_DIR=$(mktemp -d)
chmod 700 "$XDG_RUNTIME_DIR"
trap 'rm -rf "$document" "$XDG_RUNTIME_DIR"' EXIT
/usr/bin/python3 -c '
import sys
unit = "ab\u05e9\u05dc".encode()
sys.stdout.buffer.write(unit * ((1024 * 1024 - 1) // len(unit)))' >"$document"
dbus-run-session -- xvfb-run --auto-servernum --server-args="-noreset" bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  sleep 0.5
  /usr/bin/python3 "$1/session_check.py" "$2" --platform xcb --news "$3"
' check "$here" "$program" "$document"
