"""Input for a headless GNOME compositor through its remote-desktop D-Bus interface: reads one
command a line from stdin until it ends and prints "done" after each.
  move DX DY    relative pointer motion in pixels
  button        a press and release of the left button
  key           a press and release of the space bar
The seat gains each device only with its first event, so a move and a key (with nothing focused
yet) wake them before "ready"."""
import sys
from gi.repository import Gio, GLib

LEFT_BUTTON = 0x110  # BTN_LEFT
SPACE_KEY = 57       # KEY_SPACE

bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
def call(path, interface, method, parameters, reply="()"):
    return bus.call_sync("org.gnome.Mutter.RemoteDesktop", path, interface, method, parameters,
                         GLib.VariantType(reply), Gio.DBusCallFlags.NONE, 10000, None).unpack()
session = call("/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop", "CreateSession", None, "(o)")[0]
def session_call(method, signature=None, *arguments):
    call(session, "org.gnome.Mutter.RemoteDesktop.Session", method,
         GLib.Variant(signature, arguments) if signature else None)
session_call("Start")
session_call("NotifyPointerMotionRelative", "(dd)", 1.0, 0.0)
session_call("NotifyPointerMotionRelative", "(dd)", -1.0, 0.0)
session_call("NotifyKeyboardKeycode", "(ub)", SPACE_KEY, True)
session_call("NotifyKeyboardKeycode", "(ub)", SPACE_KEY, False)
print("ready", flush=True)
for line in iter(sys.stdin.readline, ""):
    words = line.split()
    if words[:1] == ["move"]:
        session_call("NotifyPointerMotionRelative", "(dd)", float(words[1]), float(words[2]))
    elif words[:1] == ["button"]:
        session_call("NotifyPointerButton", "(ib)", LEFT_BUTTON, True)
        session_call("NotifyPointerButton", "(ib)", LEFT_BUTTON, False)
    elif words[:1] == ["key"]:
        session_call("NotifyKeyboardKeycode", "(ub)", SPACE_KEY, True)
        session_call("NotifyKeyboardKeycode", "(ub)", SPACE_KEY, False)
    else:
        print(f"mutter_input: unknown command {line.strip()}", file=sys.stderr, flush=True)
        continue
    print("done", flush=True)
session_call("Stop")
