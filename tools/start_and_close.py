#!/usr/bin/python3
"""Starts a command, waits for its window, closes it as a user would and checks that the program
ends at once with exit code 0. Usage: start_and_close.py COMMAND [ARGS...]"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from x11_window import ask_to_close, open_display, wait_for_map  # noqa: E402

x = open_display()
process = subprocess.Popen(sys.argv[1:])
window = wait_for_map(x, time.monotonic() + 30)
print(f"window mapped: {window.get_wm_name()!r}")
ask_to_close(x, window)
code = process.wait(timeout=5)
print(f"exit code after closing: {code}")
sys.exit(0 if code == 0 else 1)
