"""Waiting for a program's window to be mapped and asking it to close, over plain X11 (no window
manager needed), for the cost measurement and the package check."""
import select
import time

from Xlib import X, display, protocol


def open_display():
    """A display connection that reports the mapping of top-level windows."""
    x = display.Display()
    x.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
    x.sync()
    return x


def wait_for_map(x, deadline):
    """The first window mapped on `x` before the monotonic `deadline`."""
    while time.monotonic() < deadline:
        while x.pending_events():
            event = x.next_event()
            if event.type == X.MapNotify:
                return event.window
        select.select([x.fileno()], [], [], 0.01)
    raise RuntimeError("the window was not mapped in time")


def ask_to_close(x, window):
    """What a window manager sends when the user closes the window."""
    protocols = x.intern_atom("WM_PROTOCOLS")
    delete = x.intern_atom("WM_DELETE_WINDOW")
    message = protocol.event.ClientMessage(
        window=window, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0]))
    window.send_event(message)
    x.flush()
