#!/usr/bin/env bash
# Runs the program under GNOME's compositor, mutter, headless, in a GNOME session's environment
# (XDG_CURRENT_DESKTOP=GNOME), with an accessibility bus. MODE wayland: natively on Wayland, where
# Qt draws the window's decoration; session_check.py clicks it through mutter's input (maximise
# must change nothing, close must close), presses Start and checks that the process is one
# application on the bus. MODE xwayland: through Xwayland, where mutter draws the frame;
# window_manager_check.py checks that its hints forbid maximising, and session_check.py that the
# process is one application there too. Usage: mutter_check.sh PROGRAM wayland|xwayland
set -euo pipefail
here=$(dirname "$(realpath "$0")")
program=$(realpath "$1")
mode=$2
runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_DESKTOP=gnome
export MUTTER_VERBOSE=1 MUTTER_DEBUG=placement,geometry,window-ops
unset DISPLAY WAYLAND_DISPLAY
x11=--no-x11
[ "$mode" = xwayland ] && x11=
dbus-run-session -- bash -c '
  set -euo pipefail
  here=$1 program=$2 mode=$3 x11=$4 log=$XDG_RUNTIME_DIR/mutter.log
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  mutter --headless --wayland $x11 --virtual-monitor 1280x800 --wayland-display=wayland-check \
    >"$log" 2>&1 &
  mutter=$!
  trap "kill $mutter 2>/dev/null; wait $mutter 2>/dev/null || true" EXIT
  for _ in $(seq 100); do
    [ -S "$XDG_RUNTIME_DIR/wayland-check" ] && { [ -z "$x11" ] || break; }
    grep -q "Using public X11 display" "$log" && break
    sleep 0.1
  done
  export WAYLAND_DISPLAY=wayland-check
  if [ "$mode" = wayland ]; then
    /usr/bin/python3 "$here/session_check.py" "$program" --platform wayland \
      --single-application --mutter-log "$log"
  else
    DISPLAY=$(grep -o "Using public X11 display :[0-9]*" "$log" | grep -o ":[0-9]*")
    XAUTHORITY=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.*)
    export DISPLAY XAUTHORITY
    QT_QPA_PLATFORM=xcb /usr/bin/python3 "$here/window_manager_check.py" "$program"
    /usr/bin/python3 "$here/session_check.py" "$program" --platform xcb --single-application
  fi
' check "$here" "$program" "$mode" "$x11"
