"""Presses 7, +, 5 and = in the installed rechner through the accessibility
bus (AT-SPI) and reads "Resultat" back: it must be 12. Then opens that
field's context menu with a right click, which holds Qt's own texts: they
must be German, as the package's dependencies make them. Each step waits for
what it needs, at most a minute (rechner ending stops the wait at once),
and a failure says which step went astray and what it saw."""
import os
import select
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

WAIT = 60
step = "start"


def fail(what):
    print(f"calculate: step \"{step}\": {what}", file=sys.stderr)
    sys.exit(1)


def start_display():
    """Xvfb on a display number it finds free itself (it tells it once it
    takes clients), set as DISPLAY; a server that does not come up fails
    with its log. Without -noreset the server resets whenever its last
    client goes, as the accessibility bus's launcher does once it has
    written its address on the root window: the address would be lost,
    and rechner connecting during the reset would be turned away."""
    ready, told = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(told), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                               "-noreset"],
                              pass_fds=(told,), stdout=xvfb_log, stderr=xvfb_log)
    os.close(told)
    number = b""
    deadline = time.monotonic() + WAIT
    while not number.endswith(b"\n") and time.monotonic() < deadline:
        if not select.select([ready], [], [], 1)[0]:
            continue
        chunk = os.read(ready, 16)
        if not chunk:
            break
        number += chunk
    os.close(ready)
    if not number.endswith(b"\n"):
        xvfb_log.seek(0)
        fail(f"Xvfb did not come up; its log: {xvfb_log.read().decode(errors='replace').strip()}")
    os.environ["DISPLAY"] = ":" + number.decode().strip()
    return server


def wait_for(what, find, saw=None):
    deadline = time.monotonic() + WAIT
    while time.monotonic() < deadline:
        if rechner.poll() is not None:
            fail(f"rechner ended with status {rechner.returncode} while waiting for {what}")
        try:
            found = find()
        except GLib.Error:
            found = None
        if found is not None:
            return found
        time.sleep(0.1)
    fail(f"waited {WAIT} s for {what}" + (f", but saw {saw()}" if saw else ""))


def named(node, name, role=None, depth=0):
    """The object called name (of that role) below node, or None."""
    if depth > 0 and node.get_name() == name and role in (None, node.get_role_name()):
        return node
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None and (found := named(child, name, role, depth + 1)) is not None:
            return found
    return None


def window():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and (form := named(app, "Form1")) is not None:
            return form
    return None


started = []
xvfb_log = tempfile.TemporaryFile()
try:
    step = "the virtual display"
    started.append(start_display())
    started.append(subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"]))
    rechner = subprocess.Popen(["/usr/bin/rechner"], env=dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"))
    started.append(rechner)
    step = "the window opens"
    form = wait_for("the window Form1 on the accessibility bus", window)
    for key in ("Sieben", "Plus", "Fünf", "Gleich"):
        step = f"press {key}"
        button = wait_for(f"the key {key}", lambda: named(form, key))
        if not Atspi.Action.do_action(button, 0):
            fail(f"the key {key} did not take its action")
    step = "read the result"
    result = wait_for("the field Resultat", lambda: named(form, "Resultat", "text"))
    shown = wait_for("Resultat to read 12",
                     lambda: "12" if Atspi.Text.get_text(result, 0, -1) == "12" else None,
                     lambda: repr(Atspi.Text.get_text(result, 0, -1)))
    print(f"calculate: 7 + 5 = {shown}")
    step = "the context menu of Resultat"
    menus = []
    listener = Atspi.EventListener.new(
        lambda event: menus.append(event.source)
        if event.detail1 and event.source.get_role_name() == "popup menu" else None)
    listener.register("object:state-changed:showing")
    box = Atspi.Component.get_extents(result, Atspi.CoordType.SCREEN)
    subprocess.run(["xdotool", "mousemove", str(box.x + box.width // 2), str(box.y + box.height // 2), "click", "3"],
                   check=True)

    def shown_menu():
        while GLib.MainContext.default().iteration(False):
            pass
        return menus[-1] if menus else None

    menu = wait_for("a context menu to show", shown_menu)
    items = [name.split("\t")[0] for name in (menu.get_child_at_index(i).get_name() for i in range(menu.get_child_count()))
             if name]
    if not {"Alles auswählen", "Alles markieren"} & set(items):
        fail(f"Qt's own texts are not German: the context menu reads {items}")
    print(f"calculate: the context menu of Resultat reads {', '.join(items)}")
finally:
    for process in reversed(started):
        process.terminate()
        process.wait()
