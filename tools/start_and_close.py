#!/usr/bin/python3
"""Starts a command, waits for its window, closes it as a user would and checks that the program
ends at once with exit code 0, and that the window carried its 88 x 128 icon, not a blank one.
With --wm-class, also checks the class the window gives the window manager (what a desktop
entry's StartupWMClass must match).
Usage: start_and_close.py [--wm-class CLASS] COMMAND [ARGS...]"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from x11_window import ask_to_close, open_display, wait_for_map  # noqa: E402
from Xlib import X  # noqa: E402


def icon_ok(x, window):
    """_NET_WM_ICON holds width, height and then ARGB pixels, one icon after another."""
    icon = window.get_full_property(x.intern_atom("_NET_WM_ICON"), X.AnyPropertyType)
    values = list(icon.value) if icon else []
    width, height = (values + [0, 0])[:2]
    pixels = values[2:2 + width * height]
    opaque = sum(1 for pixel in pixels if pixel >> 24 == 0xFF)
    print(f"window icon: {width} x {height}, {opaque} opaque pixels")
    return (width, height) == (88, 128) and len(pixels) == width * height and opaque > 0

arguments = sys.argv[1:]
wm_class = None
if arguments[:1] == ["--wm-class"]:
    wm_class, arguments = arguments[1], arguments[2:]

x = open_display()
process = subprocess.Popen(arguments)
window = wait_for_map(x, time.monotonic() + 30)
print(f"window mapped: {window.get_wm_name()!r}, class {window.get_wm_class()!r}")
class_ok = wm_class is None or (window.get_wm_class() or (None, None))[1] == wm_class
if not class_ok:
    print(f"the window's class is not {wm_class!r}")
has_icon = icon_ok(x, window)
ask_to_close(x, window)
code = process.wait(timeout=5)
print(f"exit code after closing: {code}")
sys.exit(0 if code == 0 and class_ok and has_icon else 1)
