#!/usr/bin/env python3
"""Runs a program beside a settings portal of its own on the session bus
(start it under dbus-run-session), which answers the appearance's contrast
preference with CONTRAST (0: none said, 1: high contrast) and has no other
setting; exits with the program's status.

Usage: fake-portal.py CONTRAST PROGRAM [ARGUMENTS...]"""
import subprocess
import sys
import threading

from gi.repository import Gio, GLib

INTERFACE = """<node><interface name="org.freedesktop.portal.Settings">
  <method name="ReadOne"><arg type="s" direction="in"/><arg type="s" direction="in"/>
    <arg type="v" direction="out"/></method>
</interface></node>"""

contrast = int(sys.argv[1])
program = sys.argv[2:]
status = 1
loop = GLib.MainLoop()


def answer(_bus, _sender, _path, _interface, _method, parameters, invocation):
    if tuple(parameters.unpack()) != ("org.freedesktop.appearance", "contrast"):
        invocation.return_dbus_error("org.freedesktop.portal.Error.NotFound", "Requested setting not found")
        return
    invocation.return_value(GLib.Variant("(v)", (GLib.Variant("u", contrast),)))


def run():
    global status
    status = subprocess.call(program)
    GLib.idle_add(loop.quit)


def owned(*_):
    threading.Thread(target=run, daemon=True).start()


def lost(*_):
    print("fake-portal: could not own org.freedesktop.portal.Desktop on the session bus", file=sys.stderr)
    loop.quit()


bus = Gio.bus_get_sync(Gio.BusType.SESSION)
bus.register_object("/org/freedesktop/portal/desktop", Gio.DBusNodeInfo.new_for_xml(INTERFACE).interfaces[0],
                    answer, None, None)
Gio.bus_own_name_on_connection(bus, "org.freedesktop.portal.Desktop", Gio.BusNameOwnerFlags.NONE, owned, lost)
loop.run()
sys.exit(status)
