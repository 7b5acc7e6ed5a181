#!/usr/bin/python3
"""What a screen reader finds of the running editor over the AT-SPI bus: the shape buttons
as named push buttons, the blur switch as a check box whose toggle action ticks it, the
sliders named by their labels with their values (one moved by a key sent with xdotool), and
the object pictures as radio buttons of which the selected one is checked, and the shape
column's selected shape at the head of its description. Prints each fault; exit 1 on one."""

import subprocess
import sys
import time

import pyatspi


def find_editor(seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            if app is None:
                continue
            for window in app:
                if window is not None and "Opal Revel" in (window.name or ""):
                    return app
        time.sleep(0.5)
    return None


def find(app, name, role):
    return pyatspi.findDescendant(app, lambda node: node is not None and node.name == name
                                  and node.getRole() == role)


def key_moves_slider(slider):
    """Gives the slider the keyboard, presses Right (Left at the maximum) in the window with
    xdotool and sees the value the reader gets change."""
    value = slider.queryValue()
    before = value.currentValue
    slider.queryComponent().grabFocus()
    subprocess.run(["xdotool", "search", "--sync", "--name", "Opal Revel", "windowfocus", "--sync"],
                   check=False, timeout=10, stdout=subprocess.DEVNULL)
    deadline = time.time() + 5
    while time.time() < deadline and not slider.getState().contains(pyatspi.STATE_FOCUSED):
        time.sleep(0.1)
    key = "Right" if before < value.maximumValue else "Left"
    subprocess.run(["xdotool", "key", key], check=False, timeout=10)
    deadline = time.time() + 5
    while time.time() < deadline and value.currentValue == before:
        time.sleep(0.1)
    if value.currentValue == before:
        return ["a %s key left 'Master size' at %g" % (key, before)]
    return []


def main():
    faults = []
    app = find_editor(30)
    if app is None:
        print("the editor never showed on the accessibility bus")
        return 1
    clone = find(app, "Clone selected shape", pyatspi.ROLE_PUSH_BUTTON)
    if clone is None:
        faults.append("no push button named 'Clone selected shape'")
    elif clone.queryAction().getName(0).lower() != "press":
        faults.append("the clone button's action is " + clone.queryAction().getName(0))

    blur = find(app, "Allow blur", pyatspi.ROLE_CHECK_BOX)
    if blur is None:
        faults.append("no check box named 'Allow blur'")
    else:
        was = blur.getState().contains(pyatspi.STATE_CHECKED)
        blur.queryAction().doAction(0)
        deadline = time.time() + 5
        while time.time() < deadline and blur.getState().contains(pyatspi.STATE_CHECKED) == was:
            time.sleep(0.1)
        if blur.getState().contains(pyatspi.STATE_CHECKED) == was:
            faults.append("toggling 'Allow blur' left its checked state as it was")

    size = find(app, "Master size", pyatspi.ROLE_SLIDER)
    if size is None:
        faults.append("no slider named 'Master size'")
    elif not size.queryValue().maximumValue > size.queryValue().minimumValue:
        faults.append("the 'Master size' slider has no range")
    else:
        faults += key_moves_slider(size)

    first = find(app, "Object 1", pyatspi.ROLE_RADIO_BUTTON)
    second = find(app, "Object 2", pyatspi.ROLE_RADIO_BUTTON)
    if first is None or second is None:
        faults.append("the object pictures are not radio buttons named 'Object 1', 'Object 2'")
    elif not first.getState().contains(pyatspi.STATE_CHECKED) or second.getState().contains(pyatspi.STATE_CHECKED):
        faults.append("only the selected object's picture should be checked")

    # A painted panel's value reaches the reader at the head of its description.
    column = find(app, "Shapes of the selected object", pyatspi.ROLE_LIST)
    if column is None:
        faults.append("no list named 'Shapes of the selected object'")
    elif not (column.description or "").startswith("Shape 1 of "):
        faults.append("the shape column's description does not say the shape: %r" % column.description)

    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
