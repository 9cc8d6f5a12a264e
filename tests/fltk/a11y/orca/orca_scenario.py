"""What Orca says while a user works a converter dialog with real keys.

    orca_scenario.py --logs DIR --orca-path DIR --orca-prefs DIR [--show-on-usr1] -- PROGRAM [ARGUMENT...]

Runs in a session of its own (run_orca_test.sh), on the virtual display in DISPLAY with a window
manager. Starts Orca and waits until it says "Screen reader on.", starts PROGRAM (a dialog titled
Zahlix with the fields DEC:, HEX:, BIN:), then plays the rows of SCENARIO with xdotool: each row
one action and the words that must be heard after it, in order. The words are matched strictly
where the user needs them (values, labels, menu items, Orca's own messages) and not at all where
toolkits legitimately differ (role words, key names, "selected"). Field texts and the context menu
are read over AT-SPI. Prints what Orca said for each row and a table of it; the exit code is the
number of failed rows. With --show-on-usr1, PROGRAM opens its window on SIGUSR1, which it is sent
once it is known on the accessibility bus.
"""
import argparse
import os
import re
import shlex
import signal
import subprocess
import sys
import time

ORCA_READY_S = 30  # from Orca's start to "Screen reader on."; about 1 s here, 5 s on a loaded machine
STARTED_S = 15  # from the program's start to the last word that its window's opening produces
HEARD_S = 5  # from an action to the last word it must produce
QUIET_S = 0.7  # silence after which an action's speech is over


class Speech:
    """The utterances that speech-dispatcher's output module writes, one a line, to a file."""

    def __init__(self, path):
        self.path = path
        self.offset = 0
        self.last = time.monotonic()

    def new(self):
        try:
            with open(self.path, "rb") as f:
                f.seek(self.offset)
                data = f.read()
        except FileNotFoundError:
            return []
        complete = data[:data.rfind(b"\n") + 1]
        self.offset += len(complete)
        lines = [line.strip() for line in complete.decode("utf-8", "replace").splitlines()]
        if lines:
            self.last = time.monotonic()
        return [line for line in lines if line]

    def listen(self, heard_enough, alive=lambda: True, seconds=HEARD_S):
        """The utterances from now until heard_enough(utterances) holds and a quiet moment follows,
        or until the time is up."""
        heard = []
        started = self.last = time.monotonic()
        while alive():
            heard += self.new()
            now = time.monotonic()
            if now - self.last >= QUIET_S and (now - started >= seconds or heard_enough(heard)):
                break
            if now - started >= seconds + QUIET_S:
                break
            time.sleep(0.05)
        return heard


def said(utterances):
    """One text of what was said, each utterance without its final full stop, " | " between."""
    return " | ".join(u[:-1] if u.endswith(".") else u for u in utterances)


def missing(patterns, utterances):
    """The first pattern not found, each searched after the place where the one before it was
    found, or None."""
    text, start = said(utterances), 0
    for pattern in patterns:
        found = re.compile(pattern).search(text, start)
        if not found:
            return pattern
        start = found.end()
    return None


def word(w):
    return r"(?<![\w])" + re.escape(w) + r"(?![\w])"


def either(*words):
    return "|".join(word(w) for w in words)


def utterance(pattern):
    """A whole utterance, of the pattern alone."""
    return r"(?:^|\| )(?:" + pattern + r")(?= \||$)"


# --- The program over AT-SPI --------------------------------------------------------------------

def import_pyatspi():
    global pyatspi
    import pyatspi  # noqa: F401  (after Orca has started the accessibility bus)


def states_of(obj):
    return {pyatspi.stateToString(s) for s in obj.getState().getStates()}


def label_of(obj):
    for relation in obj.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            return relation.getTarget(0).name
    return obj.name


def descendants(obj, depth=0):
    if depth > 12:
        return
    for child in obj:
        if child is not None:
            yield child
            yield from descendants(child, depth + 1)


class Program:
    def __init__(self, command, log):
        self.process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        self.app = None

    def alive(self):
        return self.process.poll() is None

    def application(self):
        if self.app is None:
            for app in pyatspi.Registry.getDesktop(0):
                if app is not None and app.get_process_id() == self.process.pid:
                    self.app = app
        return self.app

    def fields(self):
        """The texts of DEC:, HEX: and BIN: (None for a field not found)."""
        found = {}
        app = self.application()
        for obj in descendants(app) if app else ():
            if obj.getRoleName() in ("entry", "text") and "editable" in states_of(obj):
                found.setdefault(label_of(obj).strip(), obj.queryText().getText(0, -1))
        return tuple(found.get(name) for name in ("DEC:", "HEX:", "BIN:"))

    def focused(self):
        """The label or name of the object that has the keyboard, or None."""
        app = self.application()
        for obj in descendants(app) if app else ():
            if "focused" in states_of(obj):
                return label_of(obj)
        return None

    def menu_items(self):
        """The items of the showing menu as (name, enabled), in their order; [] without one."""
        app = self.application()
        for obj in descendants(app) if app else ():
            if obj.getRoleName() in ("menu", "popup menu") and "showing" in states_of(obj):
                return [(item.name, bool({"enabled", "sensitive"} & states_of(item)))
                        for item in obj if item.getRoleName() == "menu item"]
        return []

    def end(self):
        if self.alive():
            self.process.kill()
        self.process.wait()


# --- The scenario -------------------------------------------------------------------------------

class Run:
    """What the rows need to know of each other: the field texts to keep, the menu and its place."""

    def __init__(self, program, show_on_usr1, orca_major):
        self.program = program
        self.show_on_usr1 = show_on_usr1
        self.orca_major = orca_major
        self.kept = None
        self.menu = []
        self.place = -1  # the menu item that Orca last named


def keys(*names):
    def act(run):
        subprocess.run(["xdotool", "key", "--delay", "300", *names], check=True)
    return act


def fields_are(dec, hex_, bin_):
    def check(run, heard):
        run.kept = run.program.fields()
        return None if run.kept == (dec, hex_, bin_) else f"fields {run.kept}, expected {(dec, hex_, bin_)}"
    return check


def fields_kept(run, heard):
    now = run.program.fields()
    return None if now == run.kept else f"fields {now}, before {run.kept}"


def menu_opened(run, heard):
    run.menu, run.place = [], -1
    end = time.monotonic() + 3
    while not run.menu and time.monotonic() < end:
        run.menu = run.program.menu_items()
        time.sleep(0.1)
    names = [name for name, _ in run.menu]
    if not {"Cut", "Copy", "Paste", "Delete", "Select All"} <= set(names):
        return f"menu items over AT-SPI {run.menu}"
    run.place = menu_named(heard, run)  # an item highlighted as the menu opens
    return None


def menu_named(heard, run):
    """Where Orca named an item of the menu in what it said: the last item named, or -1."""
    place = -1
    for u in heard:
        for i, (name, _) in enumerate(run.menu):
            if re.match(word(name), u):
                place = i
    return place


def menu_step(step):
    """The item that one Down (+1) or Up (-1) moves to: the next one, or the next enabled one
    (toolkits differ in whether the highlight stops on a disabled item)."""
    def expected(run):
        count = len(run.menu)
        if not count:
            return [r"(?!)"]
        nxt = (run.place + step) % count
        enabled = [i for i in (((run.place + step * k) % count) for k in range(1, count + 1)) if run.menu[i][1]]
        choices = {run.menu[nxt][0]} | ({run.menu[enabled[0]][0]} if enabled else set())
        return [utterance("|".join(word(c) + r"[^|]*" for c in sorted(choices)))]
    return expected


def menu_moved(run, heard):
    named = menu_named(heard, run)
    run.place = named if named >= 0 else run.place
    return None


def back_from_menu(run):
    """Back from the menu, Orca 43 says the field again. Orca 48 says the dialog it returns to, or,
    when it has taken the dialog for the active window again at the key (it checks at every key),
    takes the dialog's focused field for its place without a word: for GTK's menu as for the
    program's, from one run to the next. The field's keyboard is then checked over AT-SPI alone."""
    return [either("HEX", "Zahlix")] if run.orca_major < 48 else []


def menu_closed(run, heard):
    if not run.program.alive():
        return f"the program ended with {run.program.process.returncode}"
    if run.program.menu_items():
        return f"a menu still shows {run.program.menu_items()}"
    end = time.monotonic() + 3
    while (focused := run.program.focused()) != "HEX:" and time.monotonic() < end:
        time.sleep(0.1)
    return None if focused == "HEX:" else f"the keyboard is on {focused!r}, not on HEX"


def program_ended(run, heard):
    try:
        code = run.program.process.wait(5)
    except subprocess.TimeoutExpired:
        return "the program still runs"
    return None if code == 0 else f"the program ended with {code}"


def start(run):
    """The program was started as the run began; one that waits for the word opens its window."""
    if run.show_on_usr1:
        end = time.monotonic() + STARTED_S
        while run.program.alive() and run.program.application() is None and time.monotonic() < end:
            time.sleep(0.05)
        run.program.process.send_signal(signal.SIGUSR1)


BIN_255 = r"11111111|8 1 characters"  # Orca says a run of one character as its count
CHARACTER = r"blank|space|colon|cap [A-Z]|[A-Za-z0-9:]"

# Each row: the action as the user knows it, what is done, the words that must be heard in that
# order (or a function giving them), and a check of what the row left behind (None if good, else
# what is wrong). A menu row's check also remembers which item Orca named.
SCENARIO = [
    ("the window opens while Orca runs", start, [word("Zahlix"), word("DEC")], None),
    ("typing 255 into DEC", keys("2", "5", "5"), [utterance("2"), utterance("5"), utterance("5")],
     fields_are("255", "FF", "11111111")),
    ("Tab to HEX", keys("Tab"), [word("FF")], None),
    ("Tab to BIN", keys("Tab"), [BIN_255], None),
    ("Shift+Tab back to HEX", keys("shift+Tab"), [word("HEX"), word("FF")], None),
    ("where am I (KP_Enter)", keys("KP_Enter"), [word("HEX"), word("FF")], fields_kept),
    ("flat review: line (KP_8)", keys("KP_Up"), [word("HEX") + r":? " + word("FF")], None),
    ("flat review: word (KP_5)", keys("KP_Begin"), [utterance("FF")], None),
    ("flat review: character (KP_2)", keys("KP_Down"), [utterance(CHARACTER)], None),
    ("leave flat review (KP_Subtract)", keys("KP_Subtract"), [word("Leaving flat review")], fields_kept),
    ("context menu (Shift+F10)", keys("shift+F10"), [word("menu")], menu_opened),
    ("Down", keys("Down"), menu_step(+1), menu_moved),
    ("Down", keys("Down"), menu_step(+1), menu_moved),
    ("Down", keys("Down"), menu_step(+1), menu_moved),
    ("Up", keys("Up"), menu_step(-1), menu_moved),
    ("Escape closes the menu", keys("Escape"), back_from_menu, menu_closed),
    ("Escape ends the program", keys("Escape"), [], program_ended),
]


def x_focus():
    """Which window the window manager made active, and which has the keyboard: for a failure's
    report (a window that never got the focus hears no keys and announces nothing)."""
    def name(*command):
        found = subprocess.run(["xdotool", *command, "getwindowname"], capture_output=True, text=True)
        return repr(found.stdout.strip()) if found.returncode == 0 else "none"
    return f"active window {name('getactivewindow')}, keyboard focus {name('getwindowfocus', '-f')}"


def play(run, speech):
    """Plays SCENARIO; returns its rows as (action, passed, utterances, what was wrong)."""
    rows = []
    for action, act, expected, check in SCENARIO:
        patterns = expected(run) if callable(expected) else expected
        started = time.monotonic()
        act(run)
        heard = speech.listen(lambda h: missing(patterns, h) is None, alive=run.program.alive,
                              seconds=STARTED_S if act is start else HEARD_S)
        took = time.monotonic() - started
        wrong = []
        absent = missing(patterns, heard)
        if absent is not None:
            wrong.append(f"not heard: {absent}")
        if check is not None:
            try:
                problem = check(run, heard)
            except Exception as e:  # the program may have gone, or not answer
                problem = f"{type(e).__name__}: {e}"
            if problem:
                wrong.append(problem)
        if wrong:
            wrong.append(f"X: {x_focus()}")
        rows.append((action, not wrong, heard, "; ".join(wrong)))
        print(f"{'ok  ' if not wrong else 'FAIL'} {action} ({took:.1f} s): {said(heard)!r}"
              + (f"\n     {'; '.join(wrong)}" if wrong else ""), flush=True)
    return rows


# --- Orca ---------------------------------------------------------------------------------------

def start_orca(args, speech):
    """Orca, with its debug log written line by line (a terminal is not block-buffered); returns the
    process and the seconds until it said it is on, or None if it never did."""
    env = dict(os.environ, PATH=args.orca_path + os.pathsep + os.environ["PATH"], PYTHONPATH=args.orca_path)
    command = f"orca -u {shlex.quote(args.orca_prefs)} --debug-file=/dev/tty"
    orca = subprocess.Popen(["script", "-q", "-f", "-c", command, os.path.join(args.logs, "orca.log")],
                            stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            env=env, start_new_session=True)
    started = time.monotonic()
    while orca.poll() is None and time.monotonic() - started < ORCA_READY_S:
        if any(re.search(word("Screen reader on"), u) for u in speech.new()):
            return orca, time.monotonic() - started
        time.sleep(0.05)
    return orca, None


def end_orca(orca):
    """Ends Orca and the terminal it writes to, their whole process group. Orca may take more
    than 10 s to end on SIGTERM: a moment's grace, then SIGKILL."""
    def group_gone(seconds):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            orca.poll()  # reaps the group's leader
            try:
                os.killpg(orca.pid, 0)
            except ProcessLookupError:
                return True
            time.sleep(0.05)
        return False

    for sig, grace in ((signal.SIGTERM, 2), (signal.SIGKILL, 5)):
        try:
            os.killpg(orca.pid, sig)
        except ProcessLookupError:
            return
        if group_gone(grace):
            return


def orca_version():
    """Orca's version as it prints it ("Orca version 48.1, AT-SPI2 version: 2.56.2"), and its major
    number (0 when unknown)."""
    found = subprocess.run(["orca", "--version"], capture_output=True, text=True).stdout.strip()
    major = re.search(r"(\d+)\.\d+", found)
    return (f"Orca {found}" if found else "Orca (version unknown)"), int(major.group(1)) if major else 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--logs", required=True)
    parser.add_argument("--orca-path", required=True)
    parser.add_argument("--orca-prefs", required=True)
    parser.add_argument("--show-on-usr1", action="store_true")
    parser.add_argument("program", nargs="+")
    args = parser.parse_args()

    began = time.monotonic()
    speech = Speech(os.path.join(args.logs, "speech.log"))
    orca, ready = start_orca(args, speech)
    if ready is None:
        print(f"FAIL Orca did not say \"Screen reader on.\" within {ORCA_READY_S} s; see {args.logs}/orca.log")
        end_orca(orca)
        return 100
    version, major = orca_version()
    print(f"{version}: on after {ready:.1f} s", flush=True)
    import_pyatspi()
    with open(os.path.join(args.logs, "program.log"), "wb") as log:
        program = Program(args.program, log)
        try:
            rows = play(Run(program, args.show_on_usr1, major), speech)
        finally:
            program.end()
            end_orca(orca)
    failed = [action for action, passed, _, _ in rows if not passed]
    name = os.path.basename([a for a in args.program if not a.startswith("-")][-1])
    print(f"\n| action | {name}: Orca says |\n|---|---|")
    for action, passed, heard, _ in rows:
        print(f"| {action} | {' '.join(repr(u) for u in heard) or 'nothing'}{'' if passed else ' (FAIL)'} |")
    print(f"\n{len(rows) - len(failed)} of {len(rows)} rows passed in {time.monotonic() - began:.1f} s"
          + (f"; failed: {', '.join(failed)}" if failed else ""))
    return len(failed)


if __name__ == "__main__":
    sys.exit(main())
