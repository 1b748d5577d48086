#!/usr/bin/python3
"""Checks the news helper as the real program uses it, on the X display of the environment, with
a news server on port 80 that accepts the connection and never answers:

- the program starts its helper from where it looks for it (HELPER), confined while the transfer
  is under way (NoNewPrivs 1, Seccomp 2, no capability although the program runs as root);
- the window's process never maps libcurl or a TLS library, and links none;
- the window is mapped at most 3.5 s after launch, with the helper gone;
- a helper whose program is killed dies with it.

Needs root for port 80. Usage: news_helper_check.py PROGRAM HELPER"""
import os
import re
import select
import signal
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from x11_window import ask_to_close, open_display, wait_for_map  # noqa: E402

NETWORK_LIBRARIES = re.compile(r"lib(curl|crypto|ssl|gnutls|nghttp2)[.-]")
program, helper = sys.argv[1], os.path.realpath(sys.argv[2])
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAILED: " + message)


def children(pid):
    try:
        with open(f"/proc/{pid}/task/{pid}/children") as listing:
            return [int(child) for child in listing.read().split()]
    except OSError:
        return []


def status_of(pid):
    with open(f"/proc/{pid}/status") as status:
        return dict(line.rstrip("\n").split(":\t", 1) for line in status if ":\t" in line)


def network_libraries_mapped(pid):
    try:
        with open(f"/proc/{pid}/maps") as maps:
            return sorted({line.split()[-1] for line in maps if NETWORK_LIBRARIES.search(line)})
    except OSError:
        return []


linked = subprocess.run(["ldd", program], capture_output=True, text=True, check=True).stdout
check(not NETWORK_LIBRARIES.search(linked), "the program links a network library")

server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", 80))
server.listen(8)

# Qt says so when there is no runtime folder, as in no real session.
runtime = tempfile.TemporaryDirectory()
os.environ["XDG_RUNTIME_DIR"] = runtime.name
x = open_display()
started = time.monotonic()
process = subprocess.Popen([program], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
seen_helper = False
while time.monotonic() < started + 5:
    check(not network_libraries_mapped(process.pid), "the window's process maps a network library")
    for child in children(process.pid):
        try:
            exe = os.readlink(f"/proc/{child}/exe")
            status = status_of(child)
        except OSError:
            continue
        if not seen_helper and status.get("Seccomp") == "2":
            seen_helper = True
            check(exe == helper, f"the helper started is {exe}, not {helper}")
            check(status.get("NoNewPrivs") == "1", "the helper may gain privileges")
            # Started by root here: it must still hold no capability at all.
            for capabilities in ("CapInh", "CapPrm", "CapEff", "CapBnd", "CapAmb"):
                check(int(status.get(capabilities, "1"), 16) == 0,
                      f"the helper holds capabilities ({capabilities} {status.get(capabilities)})")
    if seen_helper and not children(process.pid):
        break  # the answer is in
    time.sleep(0.01)
window = wait_for_map(x, started + 5)
mapped = time.monotonic() - started
print(f"window mapped after {mapped:.2f} s; helper seen confined: {seen_helper}")
check(seen_helper, "no confined helper was seen while the server kept silent")
check(mapped <= 3.5, f"the window took {mapped:.2f} s with a silent news server")
check(not children(process.pid), "a helper outlived the answer")
check(not network_libraries_mapped(process.pid), "the window's process maps a network library")
ask_to_close(x, window)
check(process.wait(timeout=5) == 0, "the program did not end cleanly")
printed = process.stdout.read()
check(not printed, f"the program printed {printed!r}")

process = subprocess.Popen([program], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
helper_pid = None
while helper_pid is None and time.monotonic() < started + 15:
    helper_pid = next(iter(children(process.pid)), None)
    time.sleep(0.005)
# Opened while the program lives, so the helper cannot have been reaped yet; readable once the
# helper has ended.
try:
    helper = os.pidfd_open(helper_pid) if helper_pid is not None else None
except ProcessLookupError:
    helper = None  # ended already
process.send_signal(signal.SIGKILL)
process.wait()
if helper is not None:
    ended = select.select([helper], [], [], 2)[0]
    os.close(helper)
    check(bool(ended), "the helper runs on after its program was killed")
server.close()
print("news helper: " + ("; ".join(failures) if failures else "all checks passed"))
sys.exit(1 if failures else 0)
