#!/usr/bin/python3
"""Starts a command, waits for its window, closes it as a user would and checks that the program
ends at once with exit code 0. With --wm-class, also checks the class the window gives the window
manager (what a desktop entry's StartupWMClass must match).
Usage: start_and_close.py [--wm-class CLASS] COMMAND [ARGS...]"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from x11_window import ask_to_close, open_display, wait_for_map  # noqa: E402

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
ask_to_close(x, window)
code = process.wait(timeout=5)
print(f"exit code after closing: {code}")
sys.exit(0 if code == 0 and class_ok else 1)
