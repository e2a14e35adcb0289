#!/usr/bin/python3
# Drives the calculator by keyboard alone for check-speech.sh, as a blind
# user does, and waits for each step's effect instead of a fixed time: for
# the focus on the accessibility bus before a key is pressed, and for
# Orca's words at the speech server after it. A step that does not come
# about in time ends the run, saying which step it was and what it saw.
# Usage: speech-keys.py PROGRAM PROGRAM_LOG SPEECHD_LOG TRIES all|errors
import html
import os
import re
import signal
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

program, program_log, speech_log = sys.argv[1], sys.argv[2], sys.argv[3]
tries, keys = int(sys.argv[4]), sys.argv[5]
WAIT = 60   # seconds for one step, enough on a machine under full load
focused = None   # the object that last took the focus
step = "start"


def fail(what):
    print(f"speech-keys: step \"{step}\": {what}; on the bus: {windows()}", file=sys.stderr)
    sys.exit(1)


def windows():
    """The applications on the bus with their windows and those windows' states."""
    seen = []
    try:
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            for j in range(app.get_child_count()):
                window = app.get_child_at_index(j)
                states = [Atspi.StateType(s).value_nick for s in window.get_state_set().get_states()]
                seen.append(f"{app.get_name()}: {describe(window)} {'/'.join(states)}")
    except GLib.Error as error:
        seen.append(f"(the bus did not answer: {error.message})")
    return "; ".join(seen) or "no window"


def on_focus(event):
    global focused
    if event.detail1 == 1:
        focused = event.source


def wait_until(condition, what):
    """Runs the event loop until condition() holds; fails after WAIT seconds."""
    deadline = time.monotonic() + WAIT
    context = GLib.MainContext.default()
    while not condition():
        if time.monotonic() > deadline:
            fail(f"waited {WAIT} s for {what}")
        context.iteration(False) or time.sleep(0.02)


def describe(accessible):
    if accessible is None:
        return "nothing"
    try:
        return f"\"{accessible.get_name()}\" ({accessible.get_role_name()})"
    except GLib.Error:
        return "an object that is gone"


def focus_name():
    try:
        return focused.get_name() if focused is not None else None
    except GLib.Error:
        return None


def press(key):
    subprocess.run(["xdotool", "key", key], check=True)


# What the speech server was given: one "Queueing message |…|" line each,
# in SSML, with a mark before each word.
queued = re.compile(r"Queueing message \|(.*)\| with priority")
tag = re.compile(r"<[^>]*>")


spoken = []
read_up_to = 0


def utterances():
    """Everything said so far, read on from where the last call stopped."""
    global read_up_to
    try:
        with open(speech_log, "rb") as log:
            log.seek(read_up_to)
            lines = log.read().split(b"\n")
    except FileNotFoundError:
        return spoken
    lines.pop()   # an unfinished line is read again next time
    read_up_to += sum(len(line) + 1 for line in lines)
    for line in lines:
        for u in queued.findall(line.decode("utf-8", "replace")):
            spoken.append(html.unescape(tag.sub("", u)))
    return spoken


def said(text):
    return sum(text in u for u in utterances())


def wait_spoken(text, times=1):
    wait_until(lambda: said(text) >= times,
               f"Orca to say \"{text}\" ({times}. time); it said lately: {utterances()[-6:]}")


def focus_on(name, backwards=False):
    """Tabs (or shift+Tabs) one key at a time until `name` has the focus,
    then waits for Orca to name it, as a user waits to hear where they are."""
    global step
    step = f"Tab to \"{name}\""
    named = said(name)
    for _ in range(40):
        if focus_name() == name:
            break
        before = focused
        press("shift+Tab" if backwards else "Tab")
        wait_until(lambda: focused is not before, f"the focus to leave {describe(before)}")
    else:
        fail(f"after 40 presses the focus is on {describe(focused)}")
    if said(name) == named:
        wait_spoken(name, named + 1)


def click(name, effect):
    global step
    step = f"Space on \"{name}\""
    press("space")
    wait_spoken(effect)


listener = Atspi.EventListener.new(on_focus)
listener.register("object:state-changed:focused")
# Orca is ready once it has said its welcome.
wait_until(lambda: utterances(), "Orca's first words")

env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
calculator = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL, stderr=open(program_log, "w"))
signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
try:
    step = "the window opens"
    wait_until(lambda: focus_name() == "Variable 1", "the focus in Variable 1")
    wait_spoken("Form1")
    if keys == "all":
        focus_on("Sieben"); click("Sieben", "Variable 1: 7")
        focus_on("Plus"); click("Plus", "Operator: plus")
        focus_on("Fünf", backwards=True); click("Fünf", "Variable 2: 5")
        focus_on("Gleich"); click("Gleich", "Resultat: 12")
        focus_on("Variable 1")
    step = "typing \"abc\" into Variable 1"
    field = focused
    press("ctrl+a")
    subprocess.run(["xdotool", "type", "abc"], check=True)
    wait_until(lambda: Atspi.Text.get_text(field, 0, -1) == "abc",
               f"Variable 1 to hold \"abc\", not \"{Atspi.Text.get_text(field, 0, -1)}\"")
    focus_on("Quadratwurzel", backwards=True)
    for box in range(1, tries + 1):
        step = f"Space on \"Quadratwurzel\", box {box}"
        press("space")
        wait_until(lambda: focus_name() == "OK", f"the box's OK key to take the focus, not {describe(focused)}")
        wait_spoken("Keine Zahl: „abc“", box)
        step = f"Return in box {box}"
        press("Return")
        wait_until(lambda: focus_name() == "Quadratwurzel", f"the focus back on sqrt, not {describe(focused)}")
        # Orca names nothing when the box goes: away and back, to hear that
        # it has caught up before the next box.
        focus_on("Umrechnung in Dezimal", backwards=True)
        focus_on("Quadratwurzel")
finally:
    calculator.terminate()
    calculator.wait()
