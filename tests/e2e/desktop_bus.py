#!/usr/bin/env python3
"""The D-Bus side of desktops and programs, for the idle launcher's tests.

  desktop_bus.py gnome ACTIVE FILE   GNOME's session bus services: org.gnome.ScreenSaver (GetActive,
                                     ActiveChanged) and org.gnome.SessionManager (IsInhibited,
                                     GetInhibitors and their Inhibitor objects)
  desktop_bus.py kde FILE            KDE's: org.kde.Solid.PowerManagement.PolicyAgent (HasInhibition,
                                     ListInhibitions) and org.freedesktop.ScreenSaver as ksmserver
                                     offers it (Inhibit, UnInhibit, GetActive, ActiveChanged)
  desktop_bus.py inhibit APP REASON  a player: org.freedesktop.ScreenSaver.Inhibit, held until killed
  desktop_bus.py logind-inhibit WHO WHY   an "idle" block inhibitor of logind, held until killed
  desktop_bus.py input               one faked pointer motion and Escape key through Mutter's
                                     RemoteDesktop

The stand-ins obey lines the test appends to FILE, each once: "active 0" / "active 1" (the screen
saver's state), "inhibit APP REASON" and "release" (an inhibition of the desktop's own), "hang"
(questions about inhibitions are never answered from then on, as by a service that hangs). Each
program prints "ready" once it is on the bus.
"""
import sys
import time

from gi.repository import Gio, GLib

GNOME_XML = """
<node>
  <interface name="org.gnome.ScreenSaver">
    <method name="GetActive"><arg type="b" direction="out"/></method>
    <signal name="ActiveChanged"><arg type="b"/></signal>
  </interface>
  <interface name="org.gnome.SessionManager">
    <method name="IsInhibited"><arg type="u" direction="in"/><arg type="b" direction="out"/></method>
    <method name="GetInhibitors"><arg type="ao" direction="out"/></method>
  </interface>
  <interface name="org.gnome.SessionManager.Inhibitor">
    <method name="GetAppId"><arg type="s" direction="out"/></method>
    <method name="GetReason"><arg type="s" direction="out"/></method>
    <method name="GetFlags"><arg type="u" direction="out"/></method>
  </interface>
</node>"""

KDE_XML = """
<node>
  <interface name="org.kde.Solid.PowerManagement.PolicyAgent">
    <method name="HasInhibition"><arg type="u" direction="in"/><arg type="b" direction="out"/></method>
    <method name="ListInhibitions"><arg type="a(ss)" direction="out"/></method>
  </interface>
  <interface name="org.freedesktop.ScreenSaver">
    <method name="Inhibit"><arg type="s" direction="in"/><arg type="s" direction="in"/>
      <arg type="u" direction="out"/></method>
    <method name="UnInhibit"><arg type="u" direction="in"/></method>
    <method name="GetActive"><arg type="b" direction="out"/></method>
    <signal name="ActiveChanged"><arg type="b"/></signal>
  </interface>
</node>"""

GNOME_INHIBIT_IDLE = 8
KDE_CHANGE_SCREEN_SETTINGS = 4


class Desktop:
    """The state both stand-ins keep: the screen saver's, and the inhibitions of the desktop."""

    def __init__(self, active, command_file):
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        self.active = active
        self.inhibitions = []  # (application, reason)
        self.command_file = command_file
        self.lines_seen = 0
        self.on_active_changed = lambda: None
        self.unanswered = None  # the calls kept unanswered once told to hang

    def serve(self, xml, objects, names):
        node = Gio.DBusNodeInfo.new_for_xml(xml)
        for path, interface_name in objects:
            interface = node.lookup_interface(interface_name)
            self.bus.register_object(path, interface, self.answer, None, None)
        waiting = set(names)

        def acquired(_connection, name):
            waiting.discard(name)
            if not waiting:
                print("ready", flush=True)
        for name in names:
            Gio.bus_own_name_on_connection(self.bus, name, Gio.BusNameOwnerFlags.NONE, acquired, None)

    def answer(self, connection, sender, path, interface, method, parameters, invocation):
        if self.unanswered is not None and method not in ("GetActive", "Inhibit", "UnInhibit"):
            self.unanswered.append(invocation)
        else:
            self.call(connection, sender, path, interface, method, parameters, invocation)

    def run(self):
        GLib.timeout_add(100, self.obey)
        GLib.MainLoop().run()

    def obey(self):
        try:
            with open(self.command_file) as f:
                lines = f.read().splitlines()
        except OSError:
            return True
        for line in lines[self.lines_seen:]:
            words = line.split(" ", 2)
            if words[0] == "active":
                self.active = words[1] == "1"
                self.on_active_changed()
            elif words[0] == "inhibit":
                self.inhibitions.append((words[1], words[2]))
            elif words[0] == "release":
                self.inhibitions.clear()
            elif words[0] == "hang":
                self.unanswered = []
                print("hanging", flush=True)
        self.lines_seen = len(lines)
        return True

    def emit(self, path, interface):
        self.bus.emit_signal(None, path, interface, "ActiveChanged", GLib.Variant("(b)", (self.active,)))


class Gnome(Desktop):
    def __init__(self, active, command_file):
        super().__init__(active, command_file)
        self.serve(GNOME_XML, [("/org/gnome/ScreenSaver", "org.gnome.ScreenSaver"),
                               ("/org/gnome/SessionManager", "org.gnome.SessionManager")]
                   + [(f"/org/gnome/SessionManager/Inhibitor{i}", "org.gnome.SessionManager.Inhibitor")
                      for i in range(4)],
                   ["org.gnome.ScreenSaver", "org.gnome.SessionManager"])
        self.on_active_changed = lambda: self.emit("/org/gnome/ScreenSaver", "org.gnome.ScreenSaver")

    def call(self, connection, sender, path, interface, method, parameters, invocation):
        if method == "GetActive":
            invocation.return_value(GLib.Variant("(b)", (self.active,)))
        elif method == "IsInhibited":
            asked = parameters.unpack()[0]
            invocation.return_value(GLib.Variant("(b)", (bool(self.inhibitions) and bool(asked & GNOME_INHIBIT_IDLE),)))
        elif method == "GetInhibitors":
            paths = [f"/org/gnome/SessionManager/Inhibitor{i}" for i in range(len(self.inhibitions))]
            invocation.return_value(GLib.Variant("(ao)", (paths,)))
        else:
            index = int(path[len("/org/gnome/SessionManager/Inhibitor"):])
            application, reason = self.inhibitions[index]
            values = {"GetAppId": ("(s)", application), "GetReason": ("(s)", reason),
                      "GetFlags": ("(u)", GNOME_INHIBIT_IDLE)}
            signature, value = values[method]
            invocation.return_value(GLib.Variant(signature, (value,)))


class Kde(Desktop):
    def __init__(self, command_file):
        super().__init__(False, command_file)
        self.serve(KDE_XML, [("/org/kde/Solid/PowerManagement/PolicyAgent", "org.kde.Solid.PowerManagement.PolicyAgent"),
                             ("/ScreenSaver", "org.freedesktop.ScreenSaver"),
                             ("/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver")],
                   ["org.kde.Solid.PowerManagement.PolicyAgent", "org.freedesktop.ScreenSaver"])

        def changed():
            for path in ("/ScreenSaver", "/org/freedesktop/ScreenSaver"):
                self.emit(path, "org.freedesktop.ScreenSaver")
        self.on_active_changed = changed

    def call(self, connection, sender, path, interface, method, parameters, invocation):
        if method == "HasInhibition":
            asked = parameters.unpack()[0]
            held = bool(self.inhibitions) and bool(asked & KDE_CHANGE_SCREEN_SETTINGS)
            invocation.return_value(GLib.Variant("(b)", (held,)))
        elif method == "ListInhibitions":
            invocation.return_value(GLib.Variant("(a(ss))", (self.inhibitions,)))
        elif method == "Inhibit":
            self.inhibitions.append(parameters.unpack())
            invocation.return_value(GLib.Variant("(u)", (len(self.inhibitions),)))
        elif method == "UnInhibit":
            self.inhibitions.clear()
            invocation.return_value(None)
        elif method == "GetActive":
            invocation.return_value(GLib.Variant("(b)", (self.active,)))


def inhibit(application, reason):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    name = "org.freedesktop.ScreenSaver"
    cookie = bus.call_sync(name, "/org/freedesktop/ScreenSaver", name, "Inhibit",
                           GLib.Variant("(ss)", (application, reason)), GLib.VariantType("(u)"),
                           Gio.DBusCallFlags.NONE, 5000, None).unpack()[0]
    print("ready", cookie, flush=True)
    while True:
        time.sleep(60)


def logind_inhibit(who, why):
    bus = Gio.bus_get_sync(Gio.BusType.SYSTEM)
    reply, fds = bus.call_with_unix_fd_list_sync(
        "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "Inhibit",
        GLib.Variant("(ssss)", ("idle", who, why, "block")), GLib.VariantType("(h)"), Gio.DBusCallFlags.NONE,
        5000, None, None)
    held = fds.get(reply.unpack()[0])
    print("ready", held, flush=True)
    while True:
        time.sleep(60)


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
    command = sys.argv[1]
    if command == "gnome":
        Gnome(sys.argv[2] == "1", sys.argv[3]).run()
    elif command == "kde":
        Kde(sys.argv[2]).run()
    elif command == "inhibit":
        inhibit(sys.argv[2], sys.argv[3])
    elif command == "logind-inhibit":
        logind_inhibit(sys.argv[2], sys.argv[3])
    elif command == "input":
        fake_input()
