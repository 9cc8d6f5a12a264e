#!/usr/bin/python3
"""The built program under the desktops that people run, one row of the table below each.

    desktop_matrix.py PROGRAM [ROW ...]

Each X11 row starts a virtual display (Xvfb) of its own, one screen split into two monitors side by
side, with the row's window manager on it and starts the program there once for each of STARTS:
with the pointer on the one monitor or the other, on the bare screen or beside a panel (a dock
window that reserves a strip with _NET_WM_STRUT_PARTIAL) on the pointer's monitor or the other.
What is checked is what a user sees: the whole window, frame included, centred on the work area of
the pointer's monitor within a pixel; its fixed size and place, which a request to
maximise does not change, and a frame that offers no maximising; the keyboard focus at the start;
staying above a window that was activated after it; Escape ending it with exit code 0. A launched
row starts it as a launcher does instead, with a start-up id, and a GTK 3 window alike: each ends
the launch, and neither takes the focus from a window clicked after the launch. A row whose
environment names an input method in XMODIFIERS starts that input method too, and types numbers
into the decimal field instead, each read back through the clipboard. The XWayland rows
start a Wayland compositor headless and check the window's size there with no Xft.dpi set.

A desktop that is installed but cannot start here skips its rows with the reason; the test fails
if a desktop is not installed (make deps installs them all), if openbox cannot start, or if any
check of a row that ran fails. Run in a private mount and network
namespace with X sockets of its own (run_desktop_matrix.sh does it): XWayland takes the display
numbers that it finds free, and the compositors' sockets stay out of the machine's /tmp.
"""

import functools
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from Xlib import X, Xatom, display as xdisplay, error as xerror
from Xlib.ext import xtest
from Xlib.protocol import event as xevent

PROGRAM = sys.argv[1] if len(sys.argv) > 1 else None
ONLY = set(sys.argv[2:])
SIZE = (226, 91)  # 129 x 52 dialog units in the pinned font's base units at 96 dpi
PANEL = 48  # the panel's strip along the top of a monitor
# One screen, two monitors side by side as `xrandr --setmonitor` splits it (a leading * marks the
# primary): x, y, width, height.
SCREEN = (2560, 800)
MONITORS = {"left": (0, 0, 1280, 800), "right": (1280, 0, 1280, 800)}
SET_MONITORS = [["xrandr", "--setmonitor", "*L", "1280/338x800/211+0+0", "screen"],
                ["xrandr", "--setmonitor", "R", "1280/338x800/211+1280+0", "none"]]

# The program's starts on the screen as it comes: the start's name, the pointer's monitor, the
# panel's monitor (or none), and whether the whole session is checked (else the placement, the
# focus and Escape).
PLACED_STARTS = [
    ("bare", "left", None, True),
    ("beside a panel", "left", "left", False),
    ("panel on the other monitor", "left", "right", False),
    ("on the right monitor", "right", None, False),
    ("on the right beside a panel", "right", "right", False),
    ("on the right, panel on the other", "right", "left", False),
]
PLACES = {start[0]: start for start in PLACED_STARTS}

# name, window manager's command line, its environment; and the program's starts in the row, when
# they are not STARTS.
X11_ROWS = [
    ("openbox", ["openbox", "--sm-disable"], {}),
    ("xfwm4", ["dbus-run-session", "xfwm4", "--replace"], {}),
    ("kwin_x11", ["dbus-run-session", "kwin_x11", "--replace"], {"QT_QPA_PLATFORM": "xcb"}),
    ("mutter --x11", ["dbus-run-session", "mutter", "--x11", "--replace", "--sm-disable"], {}),
    ("metacity", ["dbus-run-session", "metacity", "--replace"], {}),
    ("fluxbox", ["fluxbox"], {}),
    ("icewm", ["icewm"], {}),
    ("mutter --x11 launched", ["dbus-run-session", "mutter", "--x11", "--replace", "--sm-disable"], {}, ["launched"]),
    ("kwin_x11 launched", ["dbus-run-session", "kwin_x11", "--replace"], {"QT_QPA_PLATFORM": "xcb"}, ["launched"]),
    ("ibus (openbox)", ["openbox", "--sm-disable"], {"XMODIFIERS": "@im=ibus"}, ["typing"]),
    ("fcitx5 (openbox)", ["openbox", "--sm-disable"], {"XMODIFIERS": "@im=fcitx"}, ["typing"]),
]
STARTS = [start[0] for start in PLACED_STARTS]
# The monitors of a window manager that does not know both: xfwm4 takes them from GDK, which lists
# only monitors with an output (the right one has none), and moves a window on the other back
# onto one it knows.
KNOWN_MONITORS = {"xfwm4": {"left"}}
# What XMODIFIERS names: the input method's command line (in the foreground) and its XIM server.
INPUT_METHODS = {
    "@im=ibus": (["dbus-run-session", "ibus-daemon", "-x", "-r"], "@server=ibus"),
    "@im=fcitx": (["dbus-run-session", "fcitx5"], "@server=fcitx"),
}
TYPED = 20  # numbers typed under an input method
WAYLAND_ROWS = [
    ("mutter --headless --wayland", ["dbus-run-session", "mutter", "--headless", "--wayland", "--sm-disable",
                                     "--virtual-monitor", "1280x1024"], {}),
    ("kwin_wayland --virtual --xwayland", ["dbus-run-session", "{kwin_copy}", "--virtual", "--xwayland"], {}),
    ("weston headless", ["weston", "--backend=headless-backend.so", "--xwayland", "--socket=zahlix-weston"], {}),
]


class Skip(Exception):
    pass


class NotInstalled(Exception):
    def __str__(self):
        return "%s is not installed (make deps installs it)" % self.args[0]


def wait_for(condition, limit=5.0, step=0.02):
    deadline = time.monotonic() + limit
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            return value
        time.sleep(step)


class Desktop:
    """An X display (Xvfb, or a compositor's XWayland) and what runs on it."""

    def __init__(self, scratch):
        self.scratch = scratch
        self.processes = []
        self.d = None

    def spawn(self, argv, env, log):
        full = dict(os.environ)
        full.update(env)
        out = open(os.path.join(self.scratch, log), "wb")
        process = subprocess.Popen(argv, env=full, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                   start_new_session=True)
        self.processes.append(process)
        return process

    def log(self, name):
        try:
            with open(os.path.join(self.scratch, name), "rb") as f:
                return f.read().decode(errors="replace")
        except OSError:
            return ""

    def start_xvfb(self):
        read, write = os.pipe()
        process = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "%dx%dx24" % SCREEN, "-dpi", "96",
                                    "-nolisten", "tcp", "-noreset"], pass_fds=(write,), stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(write)
        self.processes.append(process)
        number = b""
        with os.fdopen(read, "rb") as pipe:
            number = pipe.readline().strip()
        if not number:
            raise Skip("Xvfb did not start")
        for command in SET_MONITORS:
            subprocess.run(command, env=dict(os.environ, DISPLAY=":" + number.decode()), check=True,
                           stdout=subprocess.DEVNULL)
        self.open(":" + number.decode())

    def open(self, name):
        self.name = name
        self.d = xdisplay.Display(name)
        os.environ["DISPLAY"] = name
        self.d.set_error_handler(lambda *args: None)
        self.root = self.d.screen().root

    def atom(self, name):
        return self.d.intern_atom(name)

    def prop(self, window, name, kind=X.AnyPropertyType):
        try:
            reply = window.get_full_property(self.atom(name), kind)
        except xerror.XError:
            return None
        return None if reply is None else reply.value

    def atoms(self, window, name):
        value = self.prop(window, name, Xatom.ATOM)
        return [] if value is None else list(value)

    def names(self, window, name):
        return {self.d.get_atom_name(a) for a in self.atoms(window, name)}

    def message(self, window, kind, data):
        data = (list(data) + [0] * 5)[:5]
        ev = xevent.ClientMessage(window=window, client_type=self.atom(kind), data=(32, data))
        self.root.send_event(ev, event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask)
        self.d.flush()

    def server_time(self, window):
        """The server's time now, from the PropertyNotify of an empty append."""
        window.change_attributes(event_mask=X.PropertyChangeMask)
        atom = self.atom("_ZAHLIX_TEST_TIME")
        window.change_property(atom, Xatom.INTEGER, 32, [], mode=X.PropModeAppend)
        self.d.flush()
        while True:
            ev = self.d.next_event()
            if ev.type == X.PropertyNotify and ev.window.id == window.id and ev.atom == atom:
                return ev.time

    def start_wm(self, argv, env):
        """Starts a window manager and returns once it manages a window: a probe window has WM_STATE."""
        wm = self.spawn(argv, env, "wm.log")
        check = lambda: self.prop(self.root, "_NET_SUPPORTING_WM_CHECK") or wm.poll() is not None
        wait_for(check, 15)
        if wm.poll() is not None:
            raise Skip("%s ended at once: %s" % (argv[-1], self.log("wm.log").strip()[-300:]))
        # A window manager names itself before it takes windows over: a probe mapped too early is
        # left alone, so a fresh one is tried until one is managed.
        deadline = time.monotonic() + 15
        managed = False
        while not managed and wm.poll() is None and time.monotonic() < deadline:
            probe = self.root.create_window(10, 10, 50, 50, 0, X.CopyFromParent)
            probe.map()
            self.d.flush()
            managed = wait_for(lambda: self.prop(probe, "WM_STATE") is not None, 1)
            probe.destroy()
            self.d.sync()
        if not managed or wm.poll() is not None:
            raise Skip("%s did not manage a window: %s" % (argv[-1], self.log("wm.log").strip()[-300:]))
        self.wm_name = self.wm_own_name()

    def wm_own_name(self):
        check = self.prop(self.root, "_NET_SUPPORTING_WM_CHECK")
        if not check:
            return "?"
        value = self.prop(self.d.create_resource_object("window", check[0]), "_NET_WM_NAME")
        return value.decode(errors="replace") if isinstance(value, bytes) else str(value)

    def stop(self):
        if self.d is not None:
            try:
                self.d.close()
            except Exception:
                pass
            self.d = None
        # One after another, the last started first: a window manager that loses its display while
        # it ends crashes, and kwin_x11's crash handler starts it again, on the display number that
        # the next row's Xvfb takes. What a process leaves in its group is killed with it.
        def signal_group(process, number):
            try:
                os.killpg(process.pid, number)
            except ProcessLookupError:
                pass

        for process in reversed(self.processes):
            if process.poll() is None:
                signal_group(process, signal.SIGTERM)
            try:
                process.wait(3)
            except subprocess.TimeoutExpired:
                pass
            signal_group(process, signal.SIGKILL)
            process.wait()
        self.processes = []


class Program:
    def __init__(self, desktop, argv=None, extra_env=None):
        self.desktop = desktop
        self.started = time.monotonic()
        env = dict(os.environ)
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)  # no accessibility bus to follow
        env.update(extra_env or {})
        self.process = subprocess.Popen(argv or [PROGRAM], env=env, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.window = None

    def find(self):
        d = self.desktop

        def viewable(window):
            try:
                return window.get_attributes().map_state == X.IsViewable
            except xerror.XError:
                return False

        # GTK's group leader, never mapped, names the process too.
        def search(parent):
            try:
                children = parent.query_tree().children
            except xerror.XError:
                return None
            for child in children:
                pid = d.prop(child, "_NET_WM_PID", Xatom.CARDINAL)
                if pid is not None and len(pid) == 1 and pid[0] == self.process.pid and viewable(child):
                    return child
                found = search(child)
                if found is not None:
                    return found
            return None

        self.window = wait_for(lambda: search(d.root), 10)
        self.mapped = time.monotonic() - self.started
        return self.window

    def exit_code(self, limit=5):
        try:
            return self.process.wait(limit)
        except subprocess.TimeoutExpired:
            return None

    def end(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        return self.process.stderr.read().decode(errors="replace")


def cut(area, monitor):
    """The part of a rectangle on the monitor, or None."""
    left, top = max(area[0], monitor[0]), max(area[1], monitor[1])
    right = min(area[0] + area[2], monitor[0] + monitor[2])
    bottom = min(area[1] + area[3], monitor[1] + monitor[3])
    return (left, top, right - left, bottom - top) if left < right and top < bottom else None


def work_area(d, monitor):
    """A monitor's work area on the first desktop, x, y, width, height, as GTK 3 reads it: the first
    of the window manager's rectangles a monitor (_GTK_WORKAREAS_D0) on it, else _NET_WORKAREA,
    cut to the monitor."""
    if "_GTK_WORKAREAS" in d.names(d.root, "_NET_SUPPORTED"):
        rectangles = list(d.prop(d.root, "_GTK_WORKAREAS_D0", Xatom.CARDINAL) or [])
        for i in range(0, len(rectangles) - 3, 4):
            part = cut(rectangles[i:i + 4], monitor)
            if part:
                return part
    # kwin publishes no work area while nothing reserves a strip of the screen: it is the screen.
    work = d.prop(d.root, "_NET_WORKAREA", Xatom.CARDINAL)
    return (cut(work[:4], monitor) if work else None) or monitor


def settled_work_area(d, monitor, quiet=0.3, limit=5.0):
    """The work area once the desktop has left it alone for a while: a window manager's own taskbar
    (icewm's) reserves its strip only after the window manager has taken windows over."""
    deadline = time.monotonic() + limit
    last, since = work_area(d, monitor), time.monotonic()
    while time.monotonic() - since < quiet and time.monotonic() < deadline:
        time.sleep(0.02)
        now = work_area(d, monitor)
        if now != last:
            last, since = now, time.monotonic()
    return last


def frame_offset(d, window, monitor):
    """The offset of the frame's centre from the centre of the monitor's work area, (x, y) in pixels,
    or the reason."""
    extents = d.prop(window, "_NET_FRAME_EXTENTS", Xatom.CARDINAL)
    work = work_area(d, monitor)
    if extents is None or len(extents) != 4:
        return "no _NET_FRAME_EXTENTS"
    left, right, top, bottom = extents
    geometry = window.get_geometry()
    at = window.translate_coords(d.root, 0, 0)
    x, y = -at.x, -at.y
    fx, fy = x - left, y - top
    fw, fh = left + geometry.width + right, top + geometry.height + bottom
    return ((2 * fx + fw - 2 * work[0] - work[2]) / 2, (2 * fy + fh - 2 * work[1] - work[3]) / 2)


def centred(offset):
    """Whether a frame's offset is one within a pixel of the centre (not a reason why there is none)."""
    return not isinstance(offset, str) and abs(offset[0]) <= 1 and abs(offset[1]) <= 1


def stable_offset(d, window, monitor):
    """The frame's offset once a window manager that places after the map has settled."""
    last = None
    for _ in range(25):
        offset = frame_offset(d, window, monitor)
        if offset == last and not isinstance(offset, str):
            return offset
        last = offset
        time.sleep(0.06)
    return last


def focus_is(d, window):
    """Whether the keyboard focus is on the window or inside it."""
    focus = d.d.get_input_focus().focus
    while not isinstance(focus, int) and focus is not None and focus.id != d.root.id:
        if focus.id == window.id:
            return True
        try:
            focus = focus.query_tree().parent
        except xerror.XError:
            return False
    return False


def make_panel(d, monitor):
    """A dock along the top of a monitor that reserves PANEL pixels: as a desktop's panel does."""
    x, y, width, _ = monitor
    panel = d.root.create_window(x, y, width, PANEL, 0, X.CopyFromParent, background_pixel=d.d.screen().black_pixel)
    panel.change_property(d.atom("_NET_WM_WINDOW_TYPE"), Xatom.ATOM, 32, [d.atom("_NET_WM_WINDOW_TYPE_DOCK")])
    strut = [0, 0, y + PANEL, 0, 0, 0, 0, 0, x, x + width - 1, 0, 0]
    panel.change_property(d.atom("_NET_WM_STRUT_PARTIAL"), Xatom.CARDINAL, 32, strut)
    panel.change_property(d.atom("_NET_WM_STRUT"), Xatom.CARDINAL, 32, strut[:4])
    panel.map()
    d.d.flush()
    reserved = wait_for(lambda: work_area(d, monitor)[1] >= y + PANEL, 3)
    return panel, reserved


def put_pointer(d, monitor):
    """Puts the pointer near the bottom left corner of a monitor, away from the window and the panel."""
    d.root.warp_pointer(monitor[0] + 100, monitor[1] + monitor[3] - 100)
    d.d.sync()
    at = d.root.query_pointer()
    return (at.root_x, at.root_y) == (monitor[0] + 100, monitor[1] + monitor[3] - 100)


def other_window(d):
    """A plain application window over the middle of the screen."""
    other = d.root.create_window(340, 262, 600, 500, 0, X.CopyFromParent, background_pixel=d.d.screen().white_pixel,
                                 event_mask=X.PropertyChangeMask)
    other.set_wm_name("Other")
    other.change_property(d.atom("_NET_WM_PID"), Xatom.CARDINAL, 32, [os.getpid()])
    other.map()
    d.d.flush()
    wait_for(lambda: other.get_attributes().map_state == X.IsViewable)
    return other


def activate(d, window, requestor=None):
    """Asks for a window's activation as a pager does (source 2), stamped with the server's time."""
    stamp = d.server_time(requestor or window)
    d.message(window, "_NET_ACTIVE_WINDOW", [2, stamp, 0])
    return wait_for(lambda: (d.prop(d.root, "_NET_ACTIVE_WINDOW", Xatom.WINDOW) or [0])[0] == window.id, 3)


def top_level(d, window):
    """The child of the root that holds the window: its frame, or the window itself."""
    while True:
        parent = window.query_tree().parent
        if parent is None or parent.id == d.root.id:
            return window
        window = parent


def stacked_above(d, upper, lower):
    """Whether the one window shows above the other: the root's children come bottom first."""
    order = [child.id for child in d.root.query_tree().children]
    return order.index(top_level(d, upper).id) > order.index(top_level(d, lower).id)


def press_escape(d):
    code = d.d.keysym_to_keycode(0xFF1B)
    xtest.fake_input(d.d, X.KeyPress, code)
    xtest.fake_input(d.d, X.KeyRelease, code)
    d.d.flush()


def start_input_method(d, modifiers):
    """Starts the input method that XMODIFIERS names; returns once its XIM server is on the root window."""
    argv, server = INPUT_METHODS[modifiers]
    if shutil.which(argv[1]) is None:
        raise NotInstalled(argv[1])
    method = d.spawn(argv, {}, "im.log")
    listed = wait_for(lambda: server in d.names(d.root, "XIM_SERVERS") or method.poll() is not None, 15)
    if method.poll() is not None or not listed:
        raise Skip("%s did not serve XIM: %s" % (argv[-1], d.log("im.log").strip()[-300:]))


def type_keys(d, text, pace):
    """Types the text with XTest, each key `pace()` seconds after the last."""
    for key in text:
        code = d.d.keysym_to_keycode(ord(key))
        xtest.fake_input(d.d, X.KeyPress, code)
        xtest.fake_input(d.d, X.KeyRelease, code)
        d.d.flush()
        time.sleep(pace())


def control_keys(d, letters):
    """Ctrl with each letter in turn: Ctrl+A selects the field's whole text, Ctrl+C copies it."""
    control = d.d.keysym_to_keycode(0xFFE3)
    xtest.fake_input(d.d, X.KeyPress, control)
    for letter in letters:
        code = d.d.keysym_to_keycode(ord(letter))
        xtest.fake_input(d.d, X.KeyPress, code)
        xtest.fake_input(d.d, X.KeyRelease, code)
    xtest.fake_input(d.d, X.KeyRelease, control)
    d.d.sync()


def clipboard(d):
    read = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=dict(os.environ, DISPLAY=d.name),
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=5)
    return read.stdout.decode(errors="replace") if read.returncode == 0 else None


def run_typing(row, d):
    """Numbers typed into the focused decimal field, keys 0 to 30 ms apart, each read back."""
    if shutil.which("xclip") is None:
        raise NotInstalled("xclip")
    program = Program(d)
    try:
        window = program.find()
        if not row.check(window is not None, "no window of the program was shown"):
            return
        row.check(wait_for(lambda: focus_is(d, window), 2), "no keyboard focus at the start")
        numbers = random.Random(2560)
        pace = lambda: numbers.uniform(0, 0.030)
        exact = 0
        for _ in range(TYPED):
            text = str(numbers.randint(-2 ** 31, 2 ** 31 - 1))
            control_keys(d, "a")  # the number typed replaces the last one
            type_keys(d, text, pace)
            control_keys(d, "ac")
            # The program holds the clipboard once it has handled the keys.
            read = wait_for(lambda: clipboard(d) == text and text, 2) or clipboard(d)
            if row.check(read == text, "typed %s, the field holds %r" % (text, read)):
                exact += 1
        row.figures.append("%d of %d numbers read back exactly" % (exact, TYPED))
        press_escape(d)
        code = program.exit_code()
        row.check(code == 0, "Escape: exit code %s" % code)
    finally:
        errors = program.end()
        if errors.strip():
            row.figures.append("program said: " + errors.strip()[-200:])


class Row:
    def __init__(self, name):
        self.name = name
        self.failures = []
        self.figures = []

    def check(self, ok, what):
        if not ok:
            self.failures.append(what)
        return ok


def where(d, window, monitor):
    """The work area, the frame's extents and the client area's place: what a misplaced frame is judged by."""
    at = window.translate_coords(d.root, 0, 0)
    extents = d.prop(window, "_NET_FRAME_EXTENTS", Xatom.CARDINAL)
    return "work area %d,%d %dx%d; frame %s; client area at %d,%d" % (
        work_area(d, monitor) + (",".join(map(str, extents or [])) or "none", -at.x, -at.y))


def active_window(d):
    """What _NET_ACTIVE_WINDOW names: the window's title, or none."""
    active = (d.prop(d.root, "_NET_ACTIVE_WINDOW", Xatom.WINDOW) or [0])[0]
    if not active:
        return "none"
    name = d.prop(d.d.create_resource_object("window", active), "WM_NAME")
    return "%s (0x%x)" % (name.decode(errors="replace") if isinstance(name, bytes) else name, active)


def run_x11(row, d, start):
    """One start of the program on a display with a window manager; appends failures to the row."""
    name, pointer_on, panel_on, session = start
    tag = "" if name == "bare" else name + ": "
    monitor = MONITORS[pointer_on]
    panel = None
    if panel_on:
        panel, reserved = make_panel(d, MONITORS[panel_on])
        if not reserved:
            row.figures.append("%sthe window manager reserves no strip for a panel" % tag)
    row.check(put_pointer(d, monitor), tag + "the pointer could not be put on the %s monitor" % pointer_on)
    work = settled_work_area(d, monitor)
    program = Program(d)
    try:
        window = program.find()
        if not row.check(window is not None, tag + "no window of the program was shown"):
            return
        geometry = window.get_geometry()
        offset = stable_offset(d, window, monitor)
        if not row.check(not isinstance(offset, str), tag + str(offset)):
            return
        row.figures.append("%soffset %g, %g; mapped %.0f ms" % (tag, offset[0], offset[1], program.mapped * 1000))
        placed = where(d, window, monitor)
        if row.check(work_area(d, monitor) == work, "%sthe work area changed while the program started: %s" % (tag, placed)):
            row.check(centred(offset),
                      "%sframe centre %g, %g px from the work area's: %s" % (tag, offset[0], offset[1], placed))
        row.check((geometry.width, geometry.height) == SIZE, "%ssize %d x %d" % (tag, geometry.width, geometry.height))
        row.check(wait_for(lambda: focus_is(d, window), 2), tag + "no keyboard focus at the start")
        if not session:
            press_escape(d)
            code = program.exit_code()
            row.check(code == 0, tag + "Escape at the start: exit code %s" % code)
            return
        allowed = d.names(window, "_NET_WM_ALLOWED_ACTIONS")
        if allowed:
            row.check(not allowed & {"_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT"},
                      "maximising offered")
            row.check("_NET_WM_ACTION_RESIZE" not in allowed, "resizing offered")
            row.check("_NET_WM_ACTION_MINIMIZE" in allowed, "minimising not offered")
        # A taskbar's request to maximise changes nothing.
        d.message(window, "_NET_WM_STATE",
                  [1, d.atom("_NET_WM_STATE_MAXIMIZED_VERT"), d.atom("_NET_WM_STATE_MAXIMIZED_HORZ"), 2])
        time.sleep(0.3)
        geometry = window.get_geometry()
        row.check((geometry.width, geometry.height) == SIZE,
                  "maximised on request to %d x %d" % (geometry.width, geometry.height))
        # Still centred: a frame told late may have put the window again by a pixel meanwhile.
        after = stable_offset(d, window, monitor)
        row.check(centred(after), "moved by a request to maximise: %s" % where(d, window, monitor))
        # A loaded machine's window manager may take a while to grant the request.
        row.check(wait_for(lambda: "_NET_WM_STATE_ABOVE" in d.names(window, "_NET_WM_STATE"), 3),
                  "not kept above: no _NET_WM_STATE_ABOVE")
        other = other_window(d)
        if row.check(activate(d, other), "another window could not be activated: active: " + active_window(d)):
            time.sleep(0.2)
            row.check(wait_for(lambda: stacked_above(d, window, other), 2), "not kept above a window activated after it")
        row.check(activate(d, window, other), "the window could not be activated again: active: " + active_window(d))
        press_escape(d)
        code = program.exit_code()
        row.check(code == 0, "Escape: exit code %s" % code)
        other.destroy()
        d.d.flush()
    finally:
        errors = program.end()
        if "Buggy client" in d.log("wm.log"):
            row.failures.append("the window manager logged: a buggy client's request")
        if errors.strip():
            row.figures.append("program said: " + errors.strip()[-200:])
        if panel is not None:
            panel.destroy()
            d.d.sync()


# A window that GTK 3 shows, as an application that a launcher starts.
GTK_WINDOW = """import gi
gi.require_version("Gtk", "3.0")
from gi.repository import Gtk
Gtk.Window(title="GTK 3").show_all()
Gtk.main()
"""


class StartupListener:
    """What a launcher hears on a connection of its own: the startup-notification messages that
    clients send to the root window (to those that select PropertyChangeMask there), reassembled
    from their 20-byte pieces."""

    def __init__(self, name):
        self.d = xdisplay.Display(name)
        self.d.screen().root.change_attributes(event_mask=X.PropertyChangeMask)
        self.d.sync()
        self.begin = self.d.intern_atom("_NET_STARTUP_INFO_BEGIN")
        self.more = self.d.intern_atom("_NET_STARTUP_INFO")
        self.partial = {}
        self.messages = []

    def received(self):
        while self.d.pending_events():
            ev = self.d.next_event()
            if ev.type != X.ClientMessage or ev.client_type not in (self.begin, self.more) or ev.data[0] != 8:
                continue
            if ev.client_type == self.begin:
                self.partial[ev.window.id] = b""
            elif ev.window.id not in self.partial:
                continue
            piece = bytes(ev.data[1])
            text = self.partial.pop(ev.window.id) + piece.split(b"\0")[0]
            if b"\0" in piece:
                self.messages.append(text.decode(errors="replace"))
            else:
                self.partial[ev.window.id] = text
        return self.messages


def click(d, window):
    """A click into the window, as a user's, who clicks again when nothing happened (mutter now and
    then lets a click go nowhere); the window answers as a toolkit does: its _NET_WM_USER_TIME takes
    the click's time, which it returns."""
    window.change_attributes(event_mask=X.PropertyChangeMask | X.ButtonPressMask)
    at = window.translate_coords(d.root, 0, 0)
    for _ in range(3):
        xtest.fake_input(d.d, X.MotionNotify, x=50 - at.x, y=50 - at.y)
        xtest.fake_input(d.d, X.ButtonPress, 1)
        xtest.fake_input(d.d, X.ButtonRelease, 1)
        d.d.flush()
        deadline = time.monotonic() + 1
        while time.monotonic() < deadline:
            while d.d.pending_events():
                ev = d.d.next_event()
                if ev.type == X.ButtonPress and ev.window.id == window.id:
                    window.change_property(d.atom("_NET_WM_USER_TIME"), Xatom.CARDINAL, 32, [ev.time])
                    d.d.flush()
                    return ev.time
            time.sleep(0.02)
    return None


def run_launched(row, d):
    """The program started as a launcher starts it, and then a GTK 3 window alike: with a start-up
    id whose time is taken before the user clicks another window. Each ends its launch once, tells
    the id and the time on its window, and leaves the focus in the window clicked after the launch."""
    listener = StartupListener(d.name)
    other = other_window(d)
    try:
        # mutter, busy with its start, now and then leaves the new window unfocused for seconds.
        row.check(wait_for(lambda: focus_is(d, other), 3) or activate(d, other), "the other window got no focus")
        for who, argv in (("Zahlix", [PROGRAM]), ("GTK", [sys.executable, "-c", GTK_WINDOW])):
            launched = d.server_time(other)
            time.sleep(0.05)  # the click comes a few milliseconds later, as a user's would
            clicked = click(d, other)
            if clicked is None:
                # The window manager let every click go nowhere (kwin_x11 and mutter now and then, on
                # a busy machine): the window takes a time after the launch as it would for a key.
                clicked = d.server_time(other)
                other.change_property(d.atom("_NET_WM_USER_TIME"), Xatom.CARDINAL, 32, [clicked])
                d.d.flush()
                row.figures.append("%s: no click arrived, a later user time set instead" % who)
            row.check(clicked > launched and wait_for(lambda: focus_is(d, other), 2),
                      "%s: the window used after the launch has no focus" % who)
            startup_id = "zahlix-test-%d_TIME%d" % (os.getpid(), launched)
            removal = 'remove: ID="%s"' % startup_id
            program = Program(d, argv, {"DESKTOP_STARTUP_ID": startup_id})
            try:
                window = program.find()
                if not row.check(window is not None, who + ": no window was shown"):
                    continue
                ended = wait_for(lambda: removal in listener.received(), 3)
                time.sleep(0.5)  # for a window manager that would give the focus late
                focus = "the clicked window" if focus_is(d, other) else active_window(d)
                heard = [m for m in listener.received() if startup_id in m]
                row.figures.append("%s: heard %s; focus in %s" % (who, heard, focus))
                row.check(ended and listener.received().count(removal) == 1,
                          "%s: expected %s once, heard: %s" % (who, removal, listener.received()))
                row.check(focus_is(d, other), "%s took the focus from the window clicked after its launch" % who)
                if who == "Zahlix":
                    told = d.prop(window, "_NET_STARTUP_ID", d.atom("UTF8_STRING"))
                    row.check(told == startup_id.encode(), "_NET_STARTUP_ID %r, launched as %s" % (told, startup_id))
                    user_time = d.prop(window, "_NET_WM_USER_TIME", Xatom.CARDINAL)
                    row.check(list(user_time or []) == [launched], "_NET_WM_USER_TIME %s, launched at %d" % (
                        user_time, launched))
            finally:
                program.end()
        if "Buggy client" in d.log("wm.log"):
            row.failures.append("the window manager logged: a buggy client's request")
    finally:
        other.destroy()
        listener.d.close()


def x11_row(name, argv, env, scratch, starts):
    row = Row(name)
    for command in {argv[0], [a for a in argv if a != "dbus-run-session"][0]}:
        if shutil.which(command) is None:
            raise NotInstalled(command)
    d = Desktop(scratch)
    try:
        d.start_xvfb()
        d.start_wm(argv, env)
        row.figures.append(d.wm_name)
        for start in starts:
            if start == "launched":
                run_launched(row, d)
            elif start == "typing":
                os.environ["XMODIFIERS"] = env["XMODIFIERS"]  # for the program; the row has a process of its own
                start_input_method(d, env["XMODIFIERS"])
                run_typing(row, d)
            elif PLACES[start][1] in KNOWN_MONITORS.get(name, MONITORS):
                run_x11(row, d, PLACES[start])
            else:
                row.figures.append("%s: not run, no such monitor for %s" % (start, name))
    finally:
        d.stop()
    return row


def wayland_row(name, argv, env, scratch):
    row = Row(name)
    if os.environ.get("ZAHLIX_MATRIX_PRIVATE") == "no":
        raise Skip("no private namespace for XWayland's display here (unshare)")
    binary = [a for a in argv if a != "dbus-run-session"][0]
    if binary == "{kwin_copy}":
        if shutil.which("kwin_wayland") is None:
            raise NotInstalled("kwin_wayland")
        # kwin_wayland refuses to start from /usr/bin in a sandbox as root: it carries file
        # capabilities. A plain copy starts.
        copy = os.path.join(scratch, "kwin_wayland")
        shutil.copy(shutil.which("kwin_wayland"), copy)
        argv = [copy if a == "{kwin_copy}" else a for a in argv]
    elif shutil.which(binary) is None:
        raise NotInstalled(binary)
    if shutil.which("Xwayland") is None:
        raise NotInstalled("Xwayland")
    runtime = tempfile.mkdtemp(prefix="xdg-", dir=scratch)
    os.chmod(runtime, 0o700)
    before = x_sockets()
    d = Desktop(scratch)
    saved = os.environ.get("DISPLAY")
    os.environ.pop("DISPLAY", None)
    try:
        compositor = d.spawn(argv, dict(env, XDG_RUNTIME_DIR=runtime, WAYLAND_DISPLAY="", QT_QPA_PLATFORM="offscreen"),
                             "compositor.log")

        def xwayland_display():
            if compositor.poll() is not None:
                return "ended"
            fresh = sorted(set(x_sockets().items()) - set(before.items()))
            return fresh[0][0] if fresh else None

        found = wait_for(xwayland_display, 20, 0.1)
        if found in (None, "ended"):
            raise Skip("no XWayland display came up: " + d.log("compositor.log").strip()[-300:])
        number = found[1:]
        # XWayland takes its first client only once it has started, and only with the key of
        # the authority file that the compositor gave it (where it gave one).
        opened = wait_for(lambda: try_open(d, ":" + number), 20, 0.2)
        if not opened:
            raise Skip("XWayland's display :%s did not answer: %s" % (number, getattr(d, "why", "")))
        program = Program(d)
        try:
            window = program.find()
            if row.check(window is not None, "no window of the program was shown"):
                geometry = window.get_geometry()
                offered = "_NET_WM_STATE_ABOVE" in d.names(d.root, "_NET_SUPPORTED")
                row.figures.append("size %d x %d (no Xft.dpi); keep-above %s; mapped %.0f ms" %
                                   (geometry.width, geometry.height, "offered" if offered else "not offered",
                                    program.mapped * 1000))
                row.check((geometry.width, geometry.height) == SIZE,
                          "size %d x %d with no Xft.dpi" % (geometry.width, geometry.height))
        finally:
            program.end()
    finally:
        d.stop()
        os.environ.pop("XAUTHORITY", None)
        if saved is not None:
            os.environ["DISPLAY"] = saved
    return row


def x_sockets():
    """The X servers' sockets in /tmp, each with its inode: a socket made anew has another."""
    try:
        return {name: os.stat(os.path.join("/tmp/.X11-unix", name)).st_ino for name in os.listdir("/tmp/.X11-unix")}
    except OSError:
        return {}


def xwayland_authority(number):
    """The -auth file of the Xwayland that serves the display, if it was given one."""
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                argv = f.read().decode(errors="replace").split("\0")
        except OSError:
            continue
        if argv and argv[0].endswith("Xwayland") and ":" + number in argv and "-auth" in argv:
            return argv[argv.index("-auth") + 1]
    return None


def try_open(d, name):
    authority = xwayland_authority(name[1:])
    if authority:
        os.environ["XAUTHORITY"] = authority
    try:
        d.open(name)
        return True
    except Exception as reason:
        d.why = str(reason)
        return False


SKIPPED = 77


def run_row(name, argv, env, run, scratch):
    began = time.monotonic()
    try:
        row = run(name, argv, env, scratch)
    except Skip as reason:
        print("%-36s skipped: %s" % (name, reason))
        return SKIPPED
    except NotInstalled as reason:
        print("%-36s FAILED: %s" % (name, reason))
        return 1
    except Exception as reason:  # a fault of the row's own, reported as its failure
        print("%-36s FAILED: %r" % (name, reason))
        return 1
    finally:
        sys.stdout.flush()
    verdict = "ok" if not row.failures else "FAILED: " + "; ".join(row.failures)
    print("%-36s %s (%.1f s)\n%36s   %s" % (name, verdict, time.monotonic() - began, "", "; ".join(row.figures)))
    sys.stdout.flush()
    return 1 if row.failures else 0


def main():
    if PROGRAM is None:
        print(__doc__)
        return 2
    os.environ.pop("WAYLAND_DISPLAY", None)
    # Every window manager with a home of its own, so that none reads or writes a developer's.
    scratch = tempfile.mkdtemp(prefix="zahlix-desktops-")
    home = os.path.join(scratch, "home")
    os.makedirs(home)
    os.environ.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                      XDG_DATA_HOME=os.path.join(home, ".local/share"), XDG_CACHE_HOME=os.path.join(home, ".cache"),
                      GSETTINGS_BACKEND="memory", NO_AT_BRIDGE="1")
    # fluxbox's style sets a wallpaper with a helper that, missing a picture tool, puts up a window
    # of complaint that takes the focus.
    os.makedirs(os.path.join(home, ".fluxbox"))
    with open(os.path.join(home, ".fluxbox", "overlay"), "w") as f:
        f.write("background: none\n")
    with open(os.path.join(home, ".fluxbox", "init"), "w") as f:
        f.write("session.styleOverlay: %s\n" % os.path.join(home, ".fluxbox", "overlay"))
    # The compositors' XWayland wants the sockets' folder as every X server leaves it.
    if not os.path.isdir("/tmp/.X11-unix"):
        os.makedirs("/tmp/.X11-unix")
        os.chmod("/tmp/.X11-unix", 0o1777)
    for name in ("XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS", "SESSION_MANAGER", "XDG_SESSION_TYPE"):
        os.environ.pop(name, None)
    failed = []
    started = time.monotonic()
    print("%-36s %s" % ("desktop", "result"))
    rows = [(r[0], r[1], r[2], functools.partial(x11_row, starts=r[3] if len(r) > 3 else STARTS)) for r in X11_ROWS]
    rows += [(n, a, e, wayland_row) for n, a, e in WAYLAND_ROWS]
    for name, argv, env, run in rows:
        if ONLY and name.split()[0] not in ONLY and name not in ONLY:
            continue
        # Each row in a process of its own: python-xlib cannot open a second display with RandR
        # in one process, and a row's leftovers stay in it.
        sys.stdout.flush()
        child = os.fork()
        if child == 0:
            os._exit(run_row(name, argv, env, run, scratch))
        _, status = os.waitpid(child, 0)
        code = os.waitstatus_to_exitcode(status)
        if code == SKIPPED and name == "openbox":
            failed.append("openbox could not start")
        elif code not in (0, SKIPPED):
            failed.append(name)
    shutil.rmtree(scratch, ignore_errors=True)
    print("%.0f s in all" % (time.monotonic() - started))
    if failed:
        print("failed: " + ", ".join(failed))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
