"""Writes a screenshot of a headless KWin as a PNG, through its screenshot D-Bus interface
(open to every client when KWIN_SCREENSHOT_NO_PERMISSION_CHECKS is set).
  kwin_screenshot.py FILE [OUTPUT-NAME]   (the whole workspace without a name)"""
import os
import subprocess
import sys
import threading

from gi.repository import Gio, GLib

path = sys.argv[1]
bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
read_end, write_end = os.pipe()
fds = Gio.UnixFDList.new()
index = fds.append(write_end)
os.close(write_end)
options = {"native-resolution": GLib.Variant("b", True)}
if len(sys.argv) > 2:
    method, parameters = "CaptureScreen", GLib.Variant("(sa{sv}h)", (sys.argv[2], options, index))
else:
    method, parameters = "CaptureWorkspace", GLib.Variant("(a{sv}h)", (options, index))
# The picture is read while the call runs: the compositor may write it before it answers.
data = bytearray()
def read_all():
    with os.fdopen(read_end, "rb") as pipe:
        while chunk := pipe.read(1 << 20):
            data.extend(chunk)
reader = threading.Thread(target=read_all)
reader.start()
reply, _ = bus.call_with_unix_fd_list_sync("org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2",
                                           method, parameters, GLib.VariantType("(a{sv})"),
                                           Gio.DBusCallFlags.NONE, 10000, fds, None)
# The list holds its own copy of the pipe's writing end; the reading ends only when it is closed.
for fd in fds.steal_fds():
    os.close(fd)
results = reply.unpack()[0]
reader.join()
width, height, stride = results["width"], results["height"], results["stride"]
# The picture is a QImage's bytes: 32 bits a pixel, blue, green, red, alpha in memory.
rows = b"".join(bytes(data[row * stride:row * stride + width * 4]) for row in range(height))
subprocess.run(["convert", "-size", f"{width}x{height}", "-depth", "8", "bgra:-", "-alpha", "off", path],
               input=rows, check=True)
