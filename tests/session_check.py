#!/usr/bin/python3
"""Runs the program in the display session of the environment (Wayland or X11), finds it on the
accessibility bus, presses Start as a screen-reader user would, waits for a measured value in the
power display, and ends the program. Fails on a missing window, no measurement, a crash or any
message the program prints.

Options add checks:
  --single-application   the process shows up on the accessibility bus as one application only
  --news FILE            FILE is served as the news document on http://localhost/ (port 80, so
                         root only); it must be fetched once and the news box must end in the
                         note that says it was shortened for display
  --mutter-log FILE      under mutter, whose verbose log is FILE: the pointer clicks the
                         decoration's maximise button, then Start where it was before (so the
                         window must not have moved), and last the close button, after which the
                         program must end with status 0

Usage: session_check.py PROGRAM [--platform wayland|xcb] [--env NAME=VALUE]...
                        [--single-application] [--news FILE] [--mutter-log FILE]
"""
import argparse
import http.server
import os
import socket
import subprocess
import sys
import threading
import time

import pyatspi

NOTE = "[Zpráva je pro zobrazení upravena: "


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


def applications_of(pid):
    found = []
    for app in pyatspi.Registry.getDesktop(0):
        try:
            if app is not None and app.get_process_id() == pid:
                found.append(app)
        except Exception:  # an application that left the bus meanwhile
            pass
    return found


def window_application(pid, deadline):
    """The application of `pid` that holds the window, once the window is on the bus."""
    while time.monotonic() < deadline:
        for app in applications_of(pid):
            if find(app, "frame") is not None:
                return app
        time.sleep(0.1)
    return None


class NewsServer(http.server.ThreadingHTTPServer):
    """Serves one document at /voltarik.txt on port 80 of both loopback addresses."""
    address_family = socket.AF_INET6

    def __init__(self, document):
        self.document = document
        self.requests = 0

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(handler):
                self.requests += 1
                found = handler.path == "/voltarik.txt"
                handler.send_response(200 if found else 404)
                body = self.document if found else b""
                handler.send_header("Content-Type", "text/plain; charset=utf-8")
                handler.send_header("Content-Length", str(len(body)))
                handler.end_headers()
                handler.wfile.write(body)

            def log_message(handler, *args):
                pass

        super().__init__(("::", 80), Handler)

    def server_bind(self):
        self.socket.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 0)
        super().server_bind()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--platform", default="wayland")
    parser.add_argument("--env", action="append", default=[])
    parser.add_argument("--single-application", action="store_true")
    parser.add_argument("--news")
    parser.add_argument("--mutter-log")
    args = parser.parse_args()
    pointer = frame = None
    if args.mutter_log:
        import mutter_input

    server = None
    if args.news:
        with open(args.news, "rb") as document:
            server = NewsServer(document.read())
        threading.Thread(target=server.serve_forever, daemon=True).start()

    environment = dict(os.environ, QT_QPA_PLATFORM=args.platform,
                       QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    environment.update(setting.split("=", 1) for setting in args.env)
    started = time.monotonic()
    program = subprocess.Popen([args.program], env=environment, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True)
    failures = []
    try:
        app = window_application(program.pid, time.monotonic() + 20)
        if app is None:
            failures.append("the window did not appear on the accessibility bus")
            return
        print(f"window on the accessibility bus after {time.monotonic() - started:.2f} s")
        if args.single_application:
            time.sleep(1)  # a second toolkit's bridge registers when its toolkit starts
            names = [a.name for a in applications_of(program.pid)]
            print(f"applications of the process on the bus: {names}")
            if len(names) != 1:
                failures.append("the process is more than one application on the bus")
        if server is not None:
            news = find(app, "text", "Novinky o programu").queryText()
            shown = news.getText(0, -1)
            print(f"news box: {news.characterCount} characters, ending {shown[-60:]!r}")
            if server.requests != 1:
                failures.append(f"the news was asked for {server.requests} times")
            if NOTE not in shown[-400:]:
                failures.append("the news box does not say that the document was shortened")
        if args.mutter_log:
            frame = mutter_input.placed_frame(args.mutter_log, time.monotonic() + 10)
            print(f"frame placed by mutter at {frame}")
            pointer = mutter_input.Pointer()
            pointer.click_decoration(frame, "maximise")
            time.sleep(1)
            # Start: 2880 twips from the left and 2760 from the top, 3615 by 375 twips.
            pointer.click_client(frame, 312, 196)
        else:
            find(app, "push button", "Spustit Měření").queryAction().doAction(0)
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
        if pointer is not None:
            pointer.click_decoration(frame, "close")
            try:
                program.wait(timeout=10)
            except subprocess.TimeoutExpired:
                failures.append("the close button did not end the program")
            with open(args.mutter_log, errors="replace") as log:
                if "Unmaximizing W0 just before freeing" in log.read():
                    failures.append("mutter still had the window maximised when it closed")
    finally:
        if program.returncode is None:
            program.terminate()
        output, _ = program.communicate(timeout=10)
        print(f"exit code: {program.returncode}")
        if program.returncode not in ((0,) if pointer is not None else (0, -15)):
            failures.append(f"the program ended with {program.returncode}")
        # Qt's own lines under Qt 6.11, not the program's: it does not answer a question newer
        # AT-SPI registries ask every application, and on GNOME it registers with the desktop
        # portal, which this test session does not run.
        qt_lines = ("does not implement \"GetApplicationBusAddress\"",
                    "qt.qpa.services: Failed to register with host portal")
        output = "\n".join(line for line in output.splitlines()
                           if not any(qt_line in line for qt_line in qt_lines))
        if output.strip():
            failures.append(f"the program printed:\n{output}")
        if server is not None:
            server.shutdown()
        for failure in failures:
            print("FAIL:", failure)
        sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
