#!/usr/bin/python3
"""What a screen reader finds of the running editor over the AT-SPI bus: the shape buttons
as named push buttons, the blur switch as a check box whose toggle action ticks it, the
sliders named by their labels with their values (one moved by a key sent with xdotool), the
apply menu opened on a slider by the Menu key and by Shift+F10, the page tabs with the front
one selected, the object pictures as radio buttons of which the selected one is checked, and
the shape column as a list whose items are the shapes, one selected through its action.
Prints each fault; exit 1 on one."""

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


def wait_until(condition, seconds=5):
    deadline = time.time() + seconds
    while time.time() < deadline and not condition():
        time.sleep(0.1)
    return condition()


def focus(control):
    """Gives the control the keyboard, in the editor's window made the focused one."""
    control.queryComponent().grabFocus()
    subprocess.run(["xdotool", "search", "--sync", "--name", "Opal Revel", "windowfocus", "--sync"],
                   check=False, timeout=10, stdout=subprocess.DEVNULL)
    wait_until(lambda: control.getState().contains(pyatspi.STATE_FOCUSED))


def key_moves_slider(slider):
    """Gives the slider the keyboard, presses Right (Left at the maximum) in the window with
    xdotool and sees the value the reader gets change."""
    value = slider.queryValue()
    before = value.currentValue
    focus(slider)
    key = "Right" if before < value.maximumValue else "Left"
    subprocess.run(["xdotool", "key", key], check=False, timeout=10)
    deadline = time.time() + 5
    while time.time() < deadline and value.currentValue == before:
        time.sleep(0.1)
    if value.currentValue == before:
        return ["a %s key left 'Master size' at %g" % (key, before)]
    return []


def check_apply_menu_keys(app):
    """The Menu key and Shift+F10 on a focused slider each open the apply menu; Up and
    Return there choose its last entry, and the automatic-applying dialog shows (a popup
    menu is no window of the application on the bus, the dialog is). Escape closes it."""
    slider = find(app, "Shape height", pyatspi.ROLE_SLIDER)
    if slider is None:
        return ["no slider named 'Shape height'"]

    def dialog_shows():
        app.clearCache()
        return any(window is not None and window.name == "Automatic applying"
                   and window.getState().contains(pyatspi.STATE_SHOWING) for window in app)
    faults = []
    for key in ("Menu", "shift+F10"):
        focus(slider)
        subprocess.run(["xdotool", "key", "--delay", "200", key, "Up", "Return"], check=False, timeout=10)
        if not wait_until(dialog_shows):
            faults.append("%s, Up and Return on 'Shape height' did not open 'Automatic applying'" % key)
        subprocess.run(["xdotool", "key", "Escape"], check=False, timeout=10)
        if not wait_until(lambda: not dialog_shows()):
            return faults + ["Escape left 'Automatic applying' open"]
    return faults


def check_page_tabs(app):
    """The five page buttons are page tabs; only the front one, Render, is selected."""
    selected = []
    for name in ("Render", "Save", "Options", "Help", "Presets"):
        tab = find(app, name, pyatspi.ROLE_PAGE_TAB)
        if tab is None:
            return ["no page tab named '%s'" % name]
        if tab.getState().contains(pyatspi.STATE_SELECTED):
            selected.append(name)
    return [] if selected == ["Render"] else ["the selected page tabs are %s, not Render alone" % selected]


def check_shape_list(app):
    """A clone adds an item to the shape list (the start scene's stack may hold several, up
    to the five a stack can hold); the items are named by place and type, the first one's
    select action selects it, and the reader sees the selection move."""
    column = find(app, "Shapes of the selected object", pyatspi.ROLE_LIST)
    clone = find(app, "Clone selected shape", pyatspi.ROLE_PUSH_BUTTON)
    if column is None or clone is None:
        return ["no shape list or clone button to walk"]
    # A stack holds five shapes at most; a full one takes no clone.
    count = min(column.childCount + 1, 5)
    clone.queryAction().doAction(0)
    if not wait_until(lambda: column.childCount == count):
        return ["the shape list has %d items after a clone, not %d" % (column.childCount, count)]
    items = [column.getChildAtIndex(index) for index in range(column.childCount)]
    faults = []
    for index, item in enumerate(items):
        if item.getRole() != pyatspi.ROLE_LIST_ITEM or not item.name.startswith("Shape %d of %d, " % (index + 1, count)):
            faults.append("shape list item %d is %r, %s" % (index, item.name, item.getRoleName()))
    first = items[0]
    if first.queryAction().getName(0).lower() != "select":
        return faults + ["the first shape's action is " + first.queryAction().getName(0)]
    first.queryAction().doAction(0)
    if not wait_until(lambda: first.getState().contains(pyatspi.STATE_SELECTED)
                      and not any(item.getState().contains(pyatspi.STATE_SELECTED) for item in items[1:])):
        faults.append("selecting the first shape through the reader left it unselected")
    return faults


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

    faults += check_apply_menu_keys(app)
    faults += check_page_tabs(app)
    faults += check_shape_list(app)

    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
