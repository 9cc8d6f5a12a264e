"""The built program as an AT-SPI client (a screen reader) finds and drives it.

    blackbox.py PROGRAM

Runs inside a session whose accessibility is on (run_blackbox.sh), on the virtual display in
DISPLAY with a window manager. Starts PROGRAM, hears it announce its dialog, finds the application
"zahlix", checks its tree, edits the fields through EditableText, moves the focus with real Tab
keys, hears and consumes real keys as a screen reader does, follows the context menu's highlight,
sends calls that must be refused, and ends the program with Escape. Every check prints what it expected and found;
the exit code is the number of failed checks (at most 100).
"""
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

PROGRAM = sys.argv[1]
FAILURES = []

# The dialog's children in template order: role, name, states it must have, states it must not.
# Roles are compared by their constants: their names differ between AT-SPI releases.
SHOWN = {"enabled", "sensitive", "showing", "visible"}
FIELD = SHOWN | {"editable", "focusable", "single line"}
EXPECTED_TREE = [
    (pyatspi.ROLE_ENTRY, "DEC:", FIELD | {"focused"}, set()),
    (pyatspi.ROLE_ENTRY, "HEX:", FIELD, {"focused"}),
    (pyatspi.ROLE_ENTRY, "BIN:", FIELD, {"focused"}),
    (pyatspi.ROLE_PANEL, "", SHOWN, {"focused"}),
    (pyatspi.ROLE_PUSH_BUTTON, "Beenden", {"enabled"}, {"showing", "visible"}),
    (pyatspi.ROLE_LABEL, "DEC:", SHOWN, {"focusable"}),
    (pyatspi.ROLE_LABEL, "HEX:", SHOWN, {"focusable"}),
    (pyatspi.ROLE_LABEL, "BIN:", SHOWN, {"focusable"}),
    (pyatspi.ROLE_PUSH_BUTTON, "Berechnen", {"enabled"}, {"showing", "visible"}),
]
FIELD_LIMIT = 32767  # the bytes of UTF-8 that typing fits into a field


def check(ok, what, found=""):
    print(("ok    " if ok else "FAIL  ") + what + ("" if ok else f": found {found!r}"))
    if not ok:
        FAILURES.append(what)
    return ok


def pump(seconds=0.0):
    """Lets events arrive: runs this client's GLib main context."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while True:
        while context.pending():
            context.iteration(False)
        if time.monotonic() >= end:
            return
        time.sleep(0.01)


def wait_until(condition, seconds=5.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        pump()
        try:
            if condition():
                return True
        except Exception:  # the application may not answer yet
            pass
        time.sleep(0.02)
    return False


class Events:
    """Events of the application, as (type, source name, detail1, any_data)."""

    def __init__(self):
        self.seen = []
        pyatspi.Registry.registerEventListener(
            self.on_event, "object:state-changed", "object:text-changed", "object:text-caret-moved", "window:activate",
            "window:deactivate")

    def on_event(self, event):
        try:
            app = event.source.getApplication().name
            name = event.source.name
        except Exception:
            app, name = "zahlix", "(gone)"
        if app == "zahlix":
            self.seen.append((event.type, name, event.detail1, event.any_data))

    def take(self):
        pump(0.3)
        seen, self.seen = self.seen, []
        return seen


def states_of(obj):
    return {pyatspi.stateToString(s) for s in obj.getState().getStates()}


RELATION_NAMES = {pyatspi.RELATION_LABELLED_BY: "labelled-by", pyatspi.RELATION_LABEL_FOR: "label-for"}


def tree_lines(obj, depth=0):
    extents = ""
    if "showing" in states_of(obj) and obj.getRole() != pyatspi.ROLE_APPLICATION:
        e = obj.queryComponent().getExtents(pyatspi.WINDOW_COORDS)
        extents = f" @{e.x},{e.y} {e.width}x{e.height}"
    relations = "".join(f" {RELATION_NAMES.get(r.getRelationType(), '?')}={r.getTarget(0).name!r}"
                        for r in obj.getRelationSet())
    lines = [f"{'  ' * depth}{obj.getRoleName()} {obj.name!r} [{', '.join(sorted(states_of(obj)))}]"
             f"{extents}{relations}"]
    for child in obj:
        lines += tree_lines(child, depth + 1)
    return lines


def find_application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "zahlix":
            return app
    return None


def text_of(field):
    return field.queryText().getText(0, -1)


def texts(fields):
    return tuple(text_of(f) for f in fields)


def focus_names(events):
    return [name for (kind, name, detail, _) in events if kind == "object:state-changed:focused" and detail == 1]


def changed_fields(events):
    return {name for (kind, name, _, _) in events if kind.startswith("object:text-changed")}


def x_key(key):
    subprocess.run(["xdotool", "key", "--clearmodifiers", key], check=True)


def check_tree(app):
    print("\n".join(tree_lines(app)))
    check(app.childCount == 1 and app[0].getRole() == pyatspi.ROLE_DIALOG and app[0].name == "Zahlix",
          "one child of the application: the dialog 'Zahlix'", [(c.getRoleName(), c.name) for c in app])
    dialog = app[0]
    check({"active", "showing", "visible"} <= states_of(dialog), "the dialog is active, showing, visible",
          states_of(dialog))
    found = [(c.getRole(), c.name) for c in dialog]
    check(found == [(role, name) for role, name, _, _ in EXPECTED_TREE], "the controls in template order", found)
    for child, (role, name, have, lack) in zip(dialog, EXPECTED_TREE):
        states = states_of(child)
        check(have <= states and not (lack & states), f"states of {role} {name!r}", sorted(states))
    for field in list(dialog)[:3]:
        labels = [r.getTarget(0) for r in field.getRelationSet()
                  if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
        check(len(labels) == 1 and labels[0].name == field.name and labels[0].getRole() == pyatspi.ROLE_LABEL,
              f"{field.name} is labelled by its label", [(l.getRoleName(), l.name) for l in labels])
        fors = [r.getTarget(0) for r in labels[0].getRelationSet() if r.getRelationType() == pyatspi.RELATION_LABEL_FOR]
        check(fors == [field], f"the label {field.name} is the label for its field", fors)
    return dialog


def check_extents(dialog):
    window = subprocess.run(["xdotool", "search", "--name", "^Zahlix$"], capture_output=True, text=True).stdout.split()
    geometry = subprocess.run(["xwininfo", "-id", window[0]], capture_output=True, text=True).stdout
    x_info = {k.strip(): v.strip() for k, v in (line.split(":", 1) for line in geometry.splitlines() if ":" in line)}
    expected = tuple(int(x_info[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))
    screen = dialog.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    check((screen.x, screen.y, screen.width, screen.height) == expected, "the dialog's extents are its window's",
          ((screen.x, screen.y, screen.width, screen.height), expected))
    for child in dialog:
        if "showing" not in states_of(child):
            continue
        on_screen = child.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        in_window = child.queryComponent().getExtents(pyatspi.WINDOW_COORDS)
        inside = 0 <= in_window.x and in_window.x + in_window.width <= screen.width and \
            0 <= in_window.y and in_window.y + in_window.height <= screen.height and in_window.width > 0
        check(inside and (on_screen.x, on_screen.y) == (screen.x + in_window.x, screen.y + in_window.y),
              f"extents of {child.getRoleName()} {child.name!r} within the window, on the screen at the same place",
              (on_screen, in_window))


def check_editing(dialog, events):
    dec, hex_, bin_ = list(dialog)[:3]
    events.take()
    dec.queryEditableText().setTextContents("255")
    check(wait_until(lambda: texts((hex_, bin_)) == ("FF", "11111111")), "DEC set to 255: HEX FF, BIN 11111111",
          texts((dec, hex_, bin_)))
    seen = events.take()
    check({"HEX:", "BIN:"} <= changed_fields(seen), "text-changed from the rewritten HEX and BIN", seen)
    check(("object:text-changed:insert", "HEX:", 0, "FF") in seen, "HEX's insertion of FF", seen)

    check(hex_.queryComponent().grabFocus() and wait_until(lambda: "focused" in states_of(hex_)),
          "grab_focus moves the focus to HEX", states_of(hex_))
    check(focus_names(events.take()) == ["HEX:"], "one focus event naming HEX:", events.seen)
    bin_.queryEditableText().setTextContents("101")
    check(wait_until(lambda: texts((dec, hex_)) == ("5", "5")), "BIN set to 101 while HEX has the focus: DEC 5, HEX 5",
          texts((dec, hex_, bin_)))
    seen = events.take()
    check(focus_names(seen) == ["BIN:"] and "focused" in states_of(bin_), "the edit moved the focus to BIN", seen)
    check({"DEC:", "HEX:", "BIN:"} <= changed_fields(seen), "text-changed from all three fields", seen)

    # Insert, delete, copy, paste and cut on DEC ("5"), each the user's edit of that field.
    edits = [
        ("insert 12 at 1", lambda t: t.insertText(1, "12", 2), "512"),
        ("delete [0, 1)", lambda t: t.deleteText(0, 1), "12"),
        ("copy [0, 2), paste at 1", lambda t: (t.copyText(0, 2), t.pasteText(1)), "1122"),
        ("cut [1, 3)", lambda t: t.cutText(1, 3), "12"),
        ("paste what was cut at 2", lambda t: t.pasteText(2), "1212"),
    ]
    for what, edit, expected in edits:
        edit(dec.queryEditableText())
        check(wait_until(lambda: text_of(dec) == expected) and "focused" in states_of(dec),
              f"DEC: {what} gives {expected}", text_of(dec))
    check(wait_until(lambda: text_of(hex_) == "4BC"), "HEX follows DEC 1212", text_of(hex_))

    # Offsets count characters, whatever their length in UTF-8.
    dec.queryEditableText().setTextContents("\u20ac5")
    check(wait_until(lambda: dec.queryText().characterCount == 2) and dec.queryText().getText(1, 2) == "5",
          "DEC holds two characters, the second 5", (dec.queryText().characterCount, text_of(dec)))
    dec.queryEditableText().setTextContents("1212")
    text = dec.queryText()
    check(text.setCaretOffset(2) and text.caretOffset == 2, "the caret set to 2", text.caretOffset)
    check(text.setSelection(0, 1, 4) and text.getSelection(0) == (1, 4) and text.getNSelections() == 1,
          "the selection set to [1, 4)", text.getSelection(0))
    # Each character where the field draws it, left to right inside the field; the point in the
    # middle of one finds it again.
    field = dec.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    boxes = [tuple(text.getCharacterExtents(i, pyatspi.DESKTOP_COORDS)) for i in range(4)]
    inside = all(field.x <= x and x + w <= field.x + field.width and field.y <= y and y + h <= field.y + field.height
                 and w > 0 for x, y, w, h in boxes)
    ordered = all(boxes[i][0] + boxes[i][2] <= boxes[i + 1][0] + 1 for i in range(3))
    check(inside and ordered, "the characters' extents, in order inside the field", (boxes, field))
    x, y, w, h = boxes[2]
    found = text.getOffsetAtPoint(x + w // 2, y + h // 2, pyatspi.DESKTOP_COORDS)
    check(found == 2, "the character at the middle of the third one's extents", found)
    check(text.getStringAtOffset(3, pyatspi.TEXT_GRANULARITY_CHAR) == ("2", 3, 4), "the character at 3",
          text.getStringAtOffset(3, pyatspi.TEXT_GRANULARITY_CHAR))
    events.take()


def check_activation(dialog, events):
    """Another window takes the keyboard and gives it back: the dialog deactivates and activates."""
    events.take()
    other = subprocess.Popen(["xmessage", "-name", "other", "another window"])
    try:
        wait_until(lambda: "active" not in states_of(dialog))
        other.terminate()
        other.wait()
        wait_until(lambda: "active" in states_of(dialog))
    finally:
        if other.poll() is None:
            other.kill()
    seen = [kind for kind, name, _, _ in events.take() if kind.startswith("window:") and name == "Zahlix"]
    # The window manager may pass the focus back and forth while the other window maps: the events
    # alternate, as the focus went.
    alternating = len(seen) >= 2 and len(seen) % 2 == 0 and \
        seen == ["window:deactivate", "window:activate"] * (len(seen) // 2)
    check(alternating, "another window comes and goes: deactivate, then activate", seen)


def check_tab(dialog, events):
    dec, hex_, bin_ = list(dialog)[:3]
    dec.queryComponent().grabFocus()
    wait_until(lambda: "focused" in states_of(dec))
    events.take()
    x_key("Tab")
    wait_until(lambda: "focused" in states_of(hex_))
    x_key("Tab")
    wait_until(lambda: "focused" in states_of(bin_))
    seen = events.take()
    check(focus_names(seen) == ["HEX:", "BIN:"], "Tab, Tab: focus events naming HEX: then BIN:", focus_names(seen))
    check(bin_.queryText().getSelection(0) == (0, len(text_of(bin_))), "Tab selected BIN's whole text",
          bin_.queryText().getSelection(0))
    x_key("Home")
    # On a loaded machine the event may take longer than take()'s pause.
    caret_home = ("object:text-caret-moved", "BIN:", 0)
    wait_until(lambda: caret_home in [event[:3] for event in events.seen])
    seen = events.take()
    check(caret_home in [event[:3] for event in seen] and bin_.queryText().caretOffset == 0,
          "Home: the caret moved to 0 in BIN", (bin_.queryText().caretOffset, seen))

    # Typing is the user's own edit: the typed field and the two it rewrites report their changes.
    before = text_of(bin_)
    x_key("1")
    wait_until(lambda: text_of(bin_) == "1" + before)
    seen = events.take()
    # Where the "1" went is ambiguous when the text began with 1 already: the event names one place.
    inserted = [(position, text) for kind, name, position, text in seen
                if kind == "object:text-changed:insert" and name == "BIN:"]
    check(len(inserted) == 1 and inserted[0][1] == "1" and before[:inserted[0][0]] == "1" * inserted[0][0] and
          changed_fields(seen) == {"DEC:", "HEX:", "BIN:"},
          "typing 1 into BIN: its insertion, and the rewrites of DEC and HEX", seen)

    # Shift+Tab goes back; a click focuses the field clicked.
    def click(field):
        place = field.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        subprocess.run(["xdotool", "mousemove", str(place.x + 5), str(place.y + place.height // 2), "click", "1"],
                       check=True)
    for what, act, field in [("Shift+Tab", lambda: x_key("shift+Tab"), hex_), ("a click on DEC", lambda: click(dec), dec)]:
        act()
        wait_until(lambda: "focused" in states_of(field))
        names = focus_names(events.take())
        check(names == [field.name], f"{what}: a focus event naming {field.name}", names)


KP_SUBTRACT = 0xFFAD  # keysyms
TAB = 0xFF09


class Keys:
    """A keystroke listener, as a screen reader registers one: hears every key of the focused
    program before the program handles it, and consumes those it is told to."""

    KINDS = (pyatspi.KEY_PRESSED_EVENT, pyatspi.KEY_RELEASED_EVENT)

    def __init__(self):
        self.heard = []
        self.consume = set()
        # While it listens, every key waits for this client's answer: its main context must run.
        pyatspi.Registry.registerKeystrokeListener(self.on_key, mask=pyatspi.allModifiers(), kind=self.KINDS,
                                                   synchronous=True, preemptive=True)

    def close(self):
        pyatspi.Registry.deregisterKeystrokeListener(self.on_key, mask=pyatspi.allModifiers(), kind=self.KINDS)

    def on_key(self, event):
        pressed = event.type == pyatspi.KEY_PRESSED_EVENT
        self.heard.append((event.event_string, pressed))
        return event.id in self.consume

    def take(self):
        pump(0.3)
        heard, self.heard = self.heard, []
        return heard


def check_keys(dialog, events):
    keys = Keys()
    try:
        check_keys_heard(dialog, events, keys)
    finally:
        keys.close()


def check_keys_heard(dialog, events, keys):
    dec, hex_, bin_ = list(dialog)[:3]
    dec.queryComponent().grabFocus()
    wait_until(lambda: "focused" in states_of(dec))
    dec.queryEditableText().setTextContents("4")
    wait_until(lambda: text_of(dec) == "4")
    dec.queryText().setCaretOffset(1)
    keys.take()
    x_key("2")
    check(wait_until(lambda: text_of(dec) == "42"), "the key 2 reaches DEC", text_of(dec))
    check(keys.take() == [("2", True), ("2", False)], "the listener hears 2 pressed and released", keys.heard)
    # The program rewrote HEX and BIN: neither has a selection, nor told of a caret.
    seen = events.take()
    check(all(f.queryText().getNSelections() == 0 and f.queryText().caretOffset == 0 for f in (hex_, bin_)),
          "the rewritten HEX and BIN keep no selection, their caret at 0",
          [(f.queryText().getNSelections(), f.queryText().caretOffset) for f in (hex_, bin_)])
    check(not [e for e in seen if e[0] == "object:text-caret-moved" and e[1] != "DEC:"],
          "caret events from DEC only", seen)
    # The screen reader's own keys go nowhere else: KP_Subtract types no '-', Tab moves nothing.
    keys.consume = {KP_SUBTRACT, TAB}
    x_key("KP_Subtract")
    x_key("Tab")
    pump(0.5)
    heard = keys.take()
    check(("-", True) in heard and ("Tab", True) in heard and text_of(dec) == "42" and
          "focused" in states_of(dec), "consumed keys reach neither the field nor the dialog",
          (heard, text_of(dec), states_of(dec)))
    keys.consume = set()
    x_key("Tab")
    check(wait_until(lambda: "focused" in states_of(hex_)) and ("Tab", True) in keys.take(),
          "Tab not consumed moves the focus to HEX", states_of(hex_))
    events.take()


# Calls that a client may send and the bridge must refuse, each with the refusal it answers.
BAD_CALLS = [
    ("getText from -1", lambda t, e: t.getText(-1, 2), ""),
    ("getText with start after end", lambda t, e: t.getText(3, 1), ""),
    ("getText past the end", lambda t, e: t.getText(0, 99), ""),
    ("setCaretOffset -1", lambda t, e: t.setCaretOffset(-1), False),
    ("setCaretOffset past the end", lambda t, e: t.setCaretOffset(99), False),
    ("setSelection with start after end", lambda t, e: t.setSelection(0, 3, 1), False),
    ("setSelection from -2", lambda t, e: t.setSelection(0, -2, 1), False),
    ("setSelection of selection 1", lambda t, e: t.setSelection(1, 0, 1), False),
    ("addSelection past the end", lambda t, e: t.addSelection(0, 99), False),
    ("removeSelection 5", lambda t, e: t.removeSelection(5), False),
    ("getSelection 3", lambda t, e: t.getSelection(3), (-1, -1)),
    ("getCharacterAtOffset past the end", lambda t, e: t.getCharacterAtOffset(99), 0),
    # All -1; ATK itself turns a negative width around (x -2, width 1), the height stays -1.
    ("getCharacterExtents past the end", lambda t, e: t.getCharacterExtents(99, pyatspi.DESKTOP_COORDS)[1:4:2],
     (-1, -1)),
    ("getOffsetAtPoint outside the field", lambda t, e: t.getOffsetAtPoint(-5, -5, pyatspi.DESKTOP_COORDS), -1),
    ("getStringAtOffset -5", lambda t, e: t.getStringAtOffset(-5, pyatspi.TEXT_GRANULARITY_CHAR), ("", -1, -1)),
    ("insertText past the end", lambda t, e: e.insertText(99, "7", 1), True),
    ("insertText at -1", lambda t, e: e.insertText(-1, "7", 1), True),
    ("deleteText with start after end", lambda t, e: e.deleteText(3, 1), True),
    ("deleteText from -3", lambda t, e: e.deleteText(-3, 1), True),
    ("deleteText past the end", lambda t, e: e.deleteText(0, 99), True),
    ("cutText with start after end", lambda t, e: e.cutText(5, 2), True),
    ("pasteText past the end", lambda t, e: e.pasteText(99), True),
]


def check_bad_calls(dialog, events):
    fields = list(dialog)[:3]
    dec = fields[0]
    before = texts(fields)
    events.take()
    for what, call, refusal in BAD_CALLS:
        found = call(dec.queryText(), dec.queryEditableText())
        check(found == refusal, f"refused: {what}", found)
    pump(0.3)
    check(texts(fields) == before, "the refused calls changed no text", (before, texts(fields)))
    check(not changed_fields(events.take()), "the refused calls raised no text change")

    # A length beyond the string is bounded by the string; a text longer than the field takes
    # is cut to what typing fits, in a time a user does not notice.
    dec.queryEditableText().setTextContents("")
    dec.queryEditableText().insertText(0, "7", 1000)
    check(wait_until(lambda: text_of(dec) == "7"), "insertText with a length past its string inserts the string",
          text_of(dec))
    started = time.monotonic()
    dec.queryEditableText().setTextContents("1" * 100000)
    count = dec.queryText().characterCount
    check(count == FIELD_LIMIT and time.monotonic() - started < 5, f"100000 characters cut to {FIELD_LIMIT}",
          (count, time.monotonic() - started))
    # Three bytes each: the cut falls between two of them.
    dec.queryEditableText().setTextContents("\u20ac" * 20000)
    count = dec.queryText().characterCount
    check(count == FIELD_LIMIT // 3, f"20000 euro signs cut to {FIELD_LIMIT // 3}", count)
    dec.queryEditableText().setTextContents("42")
    check(wait_until(lambda: texts(fields) == ("42", "2A", "101010")), "the fields follow again after that",
          texts(fields))


# The context menu of DEC with all of its text selected, an undo to make and the clipboard
# holding text: every item but Select All applies.
EXPECTED_MENU = [("Undo", True), ("Cut", True), ("Copy", True), ("Paste", True), ("Delete", True),
                 ("Select All", False)]


def check_menu(app, dialog, events):
    dec = dialog[0]
    dec.queryEditableText().setTextContents("42")
    wait_until(lambda: "focused" in states_of(dec))
    dec.queryText().setSelection(0, 0, 2)
    place = dec.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(place.x + place.width // 2), str(place.y + place.height // 2),
                    "click", "3"], check=True)
    opened = wait_until(lambda: app.childCount == 2 and app[1].childCount == 1)
    check(opened and app[1].getRole() == pyatspi.ROLE_WINDOW and app[1][0].getRole() == pyatspi.ROLE_MENU,
          "the context menu: a menu in a window beside the dialog", [c.getRoleName() for c in app])
    if not opened:
        return
    check("active" in states_of(app[1]) and "active" not in states_of(dialog),
          "the menu's window is the active one while it is open", (states_of(app[1]), states_of(dialog)))
    menu = app[1][0]
    print("\n".join(tree_lines(menu)))
    items = [(item.getRole(), item.name, "enabled" in states_of(item), "sensitive" in states_of(item))
             for item in menu]
    check(items == [(pyatspi.ROLE_MENU_ITEM, name, on, on) for name, on in EXPECTED_MENU], "its items, enabled as shown", items)
    events.take()
    x_key("Down")
    wait_until(lambda: "focused" in states_of(menu[0]))
    x_key("Down")
    wait_until(lambda: "focused" in states_of(menu[1]))
    check(focus_names(events.take()) == ["Undo", "Cut"] and {"focused", "selected"} <= states_of(menu[1]) and
          not {"focused", "selected"} & states_of(menu[0]),
          "Down, Down: the highlight moves to Undo, then Cut, focused and selected", states_of(menu[1]))
    place = menu[3].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(place.x + place.width // 2), str(place.y + place.height // 2)],
                   check=True)
    wait_until(lambda: "focused" in states_of(menu[3]))
    check(focus_names(events.take()) == ["Paste"] and "selected" in states_of(menu[3]),
          "the pointer on Paste highlights it, focused and selected", states_of(menu[3]))
    x_key("Escape")
    check(wait_until(lambda: app.childCount == 1) and text_of(dec) == "42", "Escape closes the menu only",
          (app.childCount, text_of(dec)))
    check(focus_names(events.take()) == ["DEC:"] and "focused" in states_of(dec), "Escape gives DEC the keyboard back",
          states_of(dec))
    check("active" in states_of(dialog), "and the dialog is the active window again", states_of(dialog))


def main():
    events = Events()
    program = subprocess.Popen([PROGRAM])
    try:
        check(wait_until(lambda: find_application() is not None, 15), "an application named zahlix on the bus")
        app = find_application()
        if app is None:
            return
        # As a GTK dialog appears: the window's activation, then the focus of DEC.
        wait_until(lambda: focus_names(events.seen), 5)
        started = [(kind, name) for kind, name, detail, _ in events.take()
                   if kind == "window:activate" or (kind == "object:state-changed:focused" and detail == 1)]
        check(started[:2] == [("window:activate", "Zahlix"), ("object:state-changed:focused", "DEC:")],
              "announced at start: the dialog activates, then DEC has the focus", started)
        dialog = check_tree(app)
        check_extents(dialog)
        check_editing(dialog, events)
        check_activation(dialog, events)
        check_tab(dialog, events)
        check_keys(dialog, events)
        check_bad_calls(dialog, events)
        check_menu(app, dialog, events)
        x_key("Escape")
        try:
            code = program.wait(10)
        except subprocess.TimeoutExpired:
            code = "still running"
        check(code == 0, "Escape ends the program with exit code 0", code)
        seen = events.take()
        check(any(kind == "object:state-changed:defunct" and detail == 1 for kind, _, detail, _ in seen),
              "the objects turned defunct as the dialog ended", seen)
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()
    print(f"{len(FAILURES)} check(s) failed" if FAILURES else "all checks passed")


if __name__ == "__main__":
    main()
    sys.exit(min(len(FAILURES), 100))
