#!/usr/bin/python3
"""Runs the program natively on the Wayland compositor of $WAYLAND_DISPLAY, presses Start through
the accessibility bus as a screen-reader user would, waits for a measured value in the power
display, and ends the program. Fails on a missing window, no measurement, a crash or any message
the program prints. Usage: wayland_check.py PROGRAM"""
import os
import subprocess
import sys
import time

import pyatspi


def find(node, role, name=None):
    if node is None:
        return None
    if node.getRoleName() == role and (name is None or node.name == name):
        return node
    for child in node:
        found = find(child, role, name)
        if found is not None:
            return found
    return None


def application(name, deadline):
    while time.monotonic() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name:
                return app
        time.sleep(0.1)
    return None


def main():
    environment = dict(os.environ, QT_QPA_PLATFORM="wayland", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    program = subprocess.Popen([sys.argv[1]], env=environment, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True)
    failures = []
    try:
        app = application("Voltarik", time.monotonic() + 20)
        if app is None:
            failures.append("the program did not appear on the accessibility bus")
            return
        start = find(app, "push button", "Spustit Měření")
        start.queryAction().doAction(0)
        power = None
        for _ in range(50):  # the first tick comes a second after Start
            time.sleep(0.1)
            labels = [child.name for child in find(app, "frame")]
            power = next((text for text in labels if text.endswith(" W")), None)
            if power is not None:
                break
        print(f"power display after Start: {power!r}")
        if power is None:
            failures.append("no measured value appeared after pressing Start")
    finally:
        program.terminate()
        output, _ = program.communicate(timeout=10)
        print(f"exit code after SIGTERM: {program.returncode}")
        if program.returncode not in (0, -15):
            failures.append(f"the program ended with {program.returncode}")
        if output.strip():
            failures.append(f"the program printed:\n{output}")
        for failure in failures:
            print("FAIL:", failure)
        sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
