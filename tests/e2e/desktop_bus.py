#!/usr/bin/env python3
"""The session-bus side of a desktop, for the idle launcher's tests.

  desktop_bus.py screensaver ACTIVE   owns org.gnome.ScreenSaver (GetActive, ActiveChanged) and reads
                                      "active 0" / "active 1" lines from stdin (or a file, see below)
  desktop_bus.py input                one faked pointer motion and Escape key through Mutter's
                                      RemoteDesktop
"""
import sys
import time

from gi.repository import Gio, GLib

SCREENSAVER_XML = """
<node><interface name="org.gnome.ScreenSaver">
  <method name="GetActive"><arg type="b" direction="out"/></method>
  <signal name="ActiveChanged"><arg type="b"/></signal>
</interface></node>"""


def screensaver(active, command_file):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    state = {"active": active}
    node = Gio.DBusNodeInfo.new_for_xml(SCREENSAVER_XML)

    def call(connection, sender, path, interface, method, parameters, invocation):
        invocation.return_value(GLib.Variant("(b)", (state["active"],)))

    bus.register_object("/org/gnome/ScreenSaver", node.interfaces[0], call, None, None)
    Gio.bus_own_name_on_connection(bus, "org.gnome.ScreenSaver", Gio.BusNameOwnerFlags.NONE, None, None)

    # The test writes "active 0" or "active 1" into the command file; each new line is obeyed once.
    seen = {"lines": 0}

    def poll():
        try:
            with open(command_file) as f:
                lines = f.read().splitlines()
        except OSError:
            return True
        for line in lines[seen["lines"]:]:
            if line.startswith("active "):
                state["active"] = line.endswith("1")
                bus.emit_signal(None, "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged",
                                GLib.Variant("(b)", (state["active"],)))
        seen["lines"] = len(lines)
        return True

    GLib.timeout_add(100, poll)
    print("ready", flush=True)
    GLib.MainLoop().run()


def fake_input():
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    name = "org.gnome.Mutter.RemoteDesktop"
    session_path = bus.call_sync(name, "/org/gnome/Mutter/RemoteDesktop", name, "CreateSession", None,
                                 GLib.VariantType("(o)"), Gio.DBusCallFlags.NONE, 5000, None).unpack()[0]
    session = name + ".Session"
    bus.call_sync(name, session_path, session, "Start", None, None, Gio.DBusCallFlags.NONE, 5000, None)
    # Several jumps a few frames apart: the first may only bring the pointer into a window.
    for _ in range(4):
        bus.call_sync(name, session_path, session, "NotifyPointerMotionRelative", GLib.Variant("(dd)", (40.0, 40.0)),
                      None, Gio.DBusCallFlags.NONE, 5000, None)
        time.sleep(0.15)
    escape = 1  # the evdev key code
    for pressed in (True, False):
        bus.call_sync(name, session_path, session, "NotifyKeyboardKeycode", GLib.Variant("(ub)", (escape, pressed)),
                      None, Gio.DBusCallFlags.NONE, 5000, None)
    bus.call_sync(name, session_path, session, "Stop", None, None, Gio.DBusCallFlags.NONE, 5000, None)


if __name__ == "__main__":
    if sys.argv[1] == "screensaver":
        screensaver(sys.argv[2] == "1", sys.argv[3])
    elif sys.argv[1] == "input":
        fake_input()
