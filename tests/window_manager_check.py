#!/usr/bin/python3
"""Starts the program under the window manager running on $DISPLAY and checks what the window
manager makes of its window: the frame (decorations included) is centred on the screen within
2 pixels, the window cannot be maximised, and its minimum size is its maximum size.
Usage: window_manager_check.py PROGRAM"""
import subprocess
import sys
import time

from Xlib import Xatom, display

TITLE = "Voltarik  - Kvorlin"


def find_client(x, root, pid, deadline):
    """The program's own window: mutter 44 and later draw frames in a client of their own, whose
    frame windows carry the title of the window they frame."""
    pid_atom = x.intern_atom("_NET_WM_PID")
    while time.monotonic() < deadline:
        pending = [root]
        while pending:
            window = pending.pop()
            try:
                owner = window.get_full_property(pid_atom, Xatom.CARDINAL)
                if (window.get_wm_name() == TITLE and window.get_attributes().map_state
                        and owner and owner.value[0] == pid):
                    return window
                pending.extend(window.query_tree().children)
            except Exception:  # a window that vanished meanwhile
                pass
        time.sleep(0.05)
    raise RuntimeError("the window did not appear")


def _allows(mask, bit):
    """Motif hints: bit 1 set means "all but the bits given"."""
    return not mask & bit if mask & 1 else bool(mask & bit)


def frame_of(client, root):
    window = client
    while True:
        parent = window.query_tree().parent
        if parent == root:
            return window
        window = parent


def main():
    x = display.Display()
    root = x.screen().root
    program = subprocess.Popen([sys.argv[1]], stderr=subprocess.PIPE, text=True)
    failures = []
    try:
        client = find_client(x, root, program.pid, time.monotonic() + 20)
        time.sleep(1)  # let the window manager place and decorate it
        frame = frame_of(client, root).get_geometry()
        screen = root.get_geometry()
        centre = (frame.x + frame.width / 2, frame.y + frame.height / 2)
        print(f"frame {frame.width}x{frame.height}+{frame.x}+{frame.y}, centre {centre}, "
              f"screen centre {(screen.width / 2, screen.height / 2)}")
        if abs(centre[0] - screen.width / 2) > 2 or abs(centre[1] - screen.height / 2) > 2:
            failures.append("the frame is not centred on the screen")

        allowed = client.get_full_property(x.intern_atom("_NET_WM_ALLOWED_ACTIONS"), Xatom.ATOM)
        actions = [x.get_atom_name(atom) for atom in (allowed.value if allowed else [])]
        print("allowed actions:", " ".join(actions))
        if not actions:
            failures.append("the window manager published no allowed actions")
        for action in ("_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT"):
            if action in actions:
                failures.append(f"the window manager offers {action}")
        for action in ("_NET_WM_ACTION_MINIMIZE", "_NET_WM_ACTION_CLOSE"):
            if action not in actions:
                failures.append(f"the window manager does not offer {action}")

        # What the program itself asks for, which window managers other than openbox follow.
        motif = client.get_full_property(x.intern_atom("_MOTIF_WM_HINTS"),
                                         x.intern_atom("_MOTIF_WM_HINTS"))
        flags, functions, decorations = (list(motif.value) + [0, 0, 0])[:3] if motif else (0, 0, 0)
        print(f"motif hints: flags {flags:#x}, functions {functions:#x}, "
              f"decorations {decorations:#x}")
        if not flags & 1 or _allows(functions, 0x10):
            failures.append("the window's hints allow maximising")
        if flags & 2 and _allows(decorations, 0x40):
            failures.append("the window's hints ask for a maximise button")
        if not (flags & 1 and _allows(functions, 0x08) and _allows(functions, 0x20)):
            failures.append("the window's hints do not allow minimising and closing")

        hints = client.get_wm_normal_hints()
        print(f"size hints: min {hints.min_width}x{hints.min_height}, "
              f"max {hints.max_width}x{hints.max_height}")
        if (hints.min_width, hints.min_height) != (hints.max_width, hints.max_height):
            failures.append("the minimum size is not the maximum size")
    finally:
        program.terminate()
        _, errors = program.communicate(timeout=10)
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
