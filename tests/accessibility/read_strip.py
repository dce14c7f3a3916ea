"""The AT-SPI client's side of atspi_session.sh: finds the panel program by its process id,
reads the names, roles and values of channel 3's strip as a screen reader gets them, turns
the strip's frequency knob through the accessible value interface and picks its low-pass
filter through the action interface.

usage: read_strip.py PANEL_PID
"""

import sys
import time

import pyatspi

STRIP = "Channel 3"
EXPECTED = [
    "Channel 3 frequency read-out",
    "Channel 3 frequency",
    "Channel 3 frequency lock to master",
    "Channel 3 Q",
    "Channel 3 Q lock to master",
    "Channel 3 flat",
    "Channel 3 band-pass",
    "Channel 3 notch",
    "Channel 3 high-pass",
    "Channel 3 low-pass",
    "Channel 3 tone",
    "Channel 3 gain",
    "Channel 3 gain lock to master",
    "Channel 3 gain read-out",
]
# A frequency that is a knob position exactly, so the knob and the read-out show it as asked.
FREQUENCY = 1234.0
# Generous: only a program that never comes up, or a change that never arrives, runs out.
TRIES = 600
PAUSE = 0.05


def eventually(find):
    """The first true answer of find, or None once the tries run out."""
    for _ in range(TRIES):
        answer = find()
        if answer:
            return answer
        time.sleep(PAUSE)
    return None


def panel_window(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.get_process_id() == pid:
            for window in app:
                if window is not None and window.childCount > 0:
                    return window
    return None


def fresh(accessible):
    """The object as the program holds it now: the read-outs send no change events, so the
    client's cache of them may be old."""
    accessible.clear_cache()
    return accessible


def checked(accessible):
    return accessible.getState().contains(pyatspi.STATE_CHECKED)


def describe(accessible):
    role = accessible.getRoleName()
    words = []
    try:
        words.append("value %g" % accessible.queryValue().currentValue)
    except NotImplementedError:
        pass
    if accessible.description:
        words.append('shows "%s"' % accessible.description)
    if checked(accessible):
        words.append("checked")
    return "%s [%s] %s" % (accessible.name, role, ", ".join(words))


def main():
    pid = int(sys.argv[1])
    window = eventually(lambda: panel_window(pid))
    if window is None:
        print("the panel never appeared on the accessibility bus")
        return 1
    strip = [child for child in window if child.name.startswith(STRIP + " ")]
    print("%s as the AT-SPI client reads it, in the window's order:" % STRIP)
    for child in strip:
        print("  " + describe(child))
    names = [child.name for child in strip]
    failures = []
    if names != EXPECTED:
        failures.append("names %s, expected %s" % (names, EXPECTED))

    by_name = dict(zip(names, strip))
    knob = by_name.get(STRIP + " frequency")
    readout = by_name.get(STRIP + " frequency read-out")
    if knob is None or readout is None:
        failures.append("no frequency knob or read-out")
    else:
        knob.queryValue().currentValue = FREQUENCY
        shown = eventually(lambda: fresh(readout).description == "1234")
        value = knob.queryValue().currentValue
        print('set %s to %g: the knob holds %g, the read-out shows "%s"'
              % (knob.name, FREQUENCY, value, fresh(readout).description))
        if not shown or abs(value - FREQUENCY) > 1e-6:
            failures.append("the frequency did not reach the knob and its read-out")

    low_pass = by_name.get(STRIP + " low-pass")
    flat = by_name.get(STRIP + " flat")
    if low_pass is None or flat is None:
        failures.append("no low-pass or flat key")
    else:
        action = low_pass.queryAction()
        action.doAction(0)
        picked = eventually(lambda: checked(fresh(low_pass)) and not checked(fresh(flat)))
        print("%s on %s: %s" % (action.getName(0), low_pass.name, describe(fresh(low_pass))))
        if not picked:
            failures.append("the low-pass key was not checked in place of the flat one")

    for failure in failures:
        print("FAILED: " + failure)
    print("%d passed, %d failed" % (0 if failures else 1, 1 if failures else 0))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
