"""What a screen reader hears of the real window over AT-SPI: the names it reads and the events it
speaks on, while xdotool presses the keys a user presses."""

import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

program, launcher = sys.argv[1], sys.argv[2]
failures = []


def check(ok, what):
    print(("ok      " if ok else "FAILED  ") + what, flush=True)
    if not ok:
        failures.append(what)


bus = subprocess.Popen([launcher, "--launch-immediately"])


def registry_answers():
    try:
        pyatspi.Registry.getDesktop(0).childCount
        return True
    except Exception:  # the bus or its registry not up yet
        time.sleep(0.2)
        return False


# The program looks for the accessibility bus once, as it starts.
deadline = time.monotonic() + 30
while not registry_answers() and time.monotonic() < deadline:
    pass
env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
app_process = subprocess.Popen([program], env=env)


def find_app():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name.lower() == "brackwell":
            return app
    return None


def walk(node, found):
    found.append(node)
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            walk(child, found)
    return found


def press(keys):
    subprocess.run(["xdotool", "key", "--clearmodifiers", keys], check=True)


heard = []  # (what the reader was told, of which object) while it held the focus


def on_event(event):
    try:
        source = event.source
        focused = source.getState().contains(pyatspi.STATE_FOCUSED)
        if event.type.startswith("object:property-change:accessible-description") and focused and source.description:
            heard.append(source.description)
        elif event.type.startswith("object:state-changed:focused") and event.detail1:
            heard.append("focus: " + source.name)
    except Exception:  # an object gone meanwhile
        pass


def run_until(condition, seconds=10):
    deadline = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < deadline:
        while context.pending():
            context.iteration(False)
        if condition():
            return True
        time.sleep(0.05)
    return False


try:
    app = None
    check(run_until(lambda: find_app() is not None, 30), "the program is on the accessibility bus")
    app = find_app()
    if app is None:
        sys.exit(1)
    objects = walk(app, [])
    by_role = {}
    for o in objects:
        by_role.setdefault(o.getRoleName(), []).append(o)

    pages = [o.name for o in by_role.get("page tab", [])]
    check(pages[:6] == ["Stage 1", "Stage 2", "Scripts", "Class Selector", "Config Output", "Extra Binds/Other CVARs"],
          "the six tabs carry their names: %s" % pages)
    lists = {o.name: o for o in by_role.get("combo box", [])}
    check("Mark Time" in lists and "Maximum Frames Per Second" in lists and "Select Type Of Bind" in lists,
          "lists are named by their captions: %s" % sorted(lists))
    bars = {o.name: o for o in by_role.get("progress bar", [])}
    check(set(bars) >= {"Quality", "Relative FPS"}, "the meter's bars are progress bars: %s" % sorted(bars))
    checks = {o.name for o in by_role.get("check box", [])}
    check({"Gun Visible? switch", "Gun Visible? value"} <= checks, "a caption is the switch, its box the value")

    for kind in ("object:property-change:accessible-description", "object:state-changed:focused"):
        pyatspi.Registry.registerEventListener(on_event, kind)

    # The window takes the keyboard (there is no window manager to give it), then the focus goes
    # to the player's name, as a reader's "go to" does.
    window = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^Brackwell$"],
                            check=True, capture_output=True, text=True).stdout.split()[0]
    subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
    name_box = next(o for o in objects if o.getRoleName() == "text" and o.name == "Player Name")
    run_until(lambda: False, 1)
    name_box.queryComponent().grabFocus()
    check(run_until(lambda: "focus: Player Name" in heard), "the player's name has the focus")

    press("ctrl+space")
    check(run_until(lambda: "Player Name switched off" in heard),
          "Ctrl+Space is heard on the focused switch: %s" % heard[-3:])
    press("ctrl+space")
    check(run_until(lambda: "Player Name switched on" in heard),
          "a second Ctrl+Space switches the same setting on again: %s" % heard[-3:])
    press("ctrl+Tab")
    check(run_until(lambda: "Stage 2 tab" in heard), "the tab shown is heard: %s" % heard[-3:])
finally:
    app_process.terminate()
    app_process.wait(10)
    bus.terminate()
    bus.wait(10)

print("%d failed" % len(failures))
sys.exit(1 if failures else 0)
