"""A pointer for tests under GNOME's mutter: clicks through mutter's remote-desktop interface, at
places of the program's window (the first window of the session, W0), which mutter's log gives (MUTTER_VERBOSE=1 with
MUTTER_DEBUG=placement,geometry)."""
import re
import time

from gi.repository import Gio, GLib

REMOTE_DESKTOP = "org.gnome.Mutter.RemoteDesktop"
SESSION = REMOTE_DESKTOP + ".Session"
LEFT_BUTTON = 0x110  # BTN_LEFT
# Qt's own Wayland decoration around the window's 443 pixels of width: its margins, and its
# buttons' centres from the frame's top-right corner.
FRAME_WIDTH = 3 + 443 + 3
DECORATION_LEFT, DECORATION_TOP = 3, 30
BUTTON_CENTRES = {"close": (-17, 15), "maximise": (-40, 15), "minimise": (-63, 15)}


def placed_frame(log_path, deadline):
    """(x, y) of the first window mutter placed, as it stands now."""
    rectangle = re.compile(r"info->current is (\d+),(\d+) \+(\d+),(\d+) "
                           r"after constrain_partially_onscreen")
    while time.monotonic() < deadline:
        with open(log_path, errors="replace") as log:
            _, placed, since = log.read().partition("Placing window W0")
        frames = rectangle.findall(since)
        if placed and frames:
            return int(frames[-1][0]), int(frames[-1][1])
        time.sleep(0.1)
    raise RuntimeError("mutter did not place the window")


class Pointer:
    def __init__(self):
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        self.session = self._call("/org/gnome/Mutter/RemoteDesktop", REMOTE_DESKTOP,
                                  "CreateSession", None, "(o)")[0]
        self._call(self.session, SESSION, "Start")

    def _call(self, path, interface, method, arguments=None, reply=None):
        result = self.bus.call_sync(REMOTE_DESKTOP, path, interface, method, arguments,
                                    GLib.VariantType(reply) if reply else None,
                                    Gio.DBusCallFlags.NONE, 5000, None)
        return result.unpack() if result else None

    def click(self, x, y):
        # Relative motion only (absolute motion needs a screen cast): first into the top-left
        # corner, where the pointer stops, then to the place.
        for dx, dy in ((-10000.0, -10000.0), (float(x), float(y))):
            self._call(self.session, SESSION, "NotifyPointerMotionRelative",
                       GLib.Variant("(dd)", (dx, dy)))
        time.sleep(0.1)
        for pressed in (True, False):
            self._call(self.session, SESSION, "NotifyPointerButton",
                       GLib.Variant("(ib)", (LEFT_BUTTON, pressed)))
            time.sleep(0.1)

    def click_decoration(self, frame, button):
        dx, dy = BUTTON_CENTRES[button]
        self.click(frame[0] + FRAME_WIDTH + dx, frame[1] + dy)

    def click_client(self, frame, x, y):
        self.click(frame[0] + DECORATION_LEFT + x, frame[1] + DECORATION_TOP + y)
