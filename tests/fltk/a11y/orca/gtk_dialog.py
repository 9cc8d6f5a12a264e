"""A GTK 3 dialog with the converter's three labelled fields: what Orca is measured against.

    /usr/bin/python3 gtk_dialog.py [--show-on-usr1]

Title "Zahlix", the entries "DEC:", "HEX:" and "BIN:" in that order, each labelled by its label
(the relation Orca reads). A change of the focused field rewrites the other two by the converter's
rules: digits worth their code minus 48 in DEC and BIN, any non-hexadecimal character worth 0 in
HEX, 32-bit wrap-around, HEX in upper case, BIN empty for zero and below. Escape ends it with 0.

With --show-on-usr1 the window opens only on SIGUSR1: a screen reader that meets the program as it
registers on the accessibility bus may miss the events of a window that opens at that moment, so
the test opens it once the program is known there.
"""
import signal
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402


def parse(text, base):
    value = 0
    for ch in text.encode("latin-1", "replace")[:32]:
        if base == 16:
            ch = ch - 32 if 97 <= ch <= 102 else ch
            digit = ch - 48 if 48 <= ch <= 57 else ch - 55 if 65 <= ch <= 70 else 0
        else:
            digit = (ch if ch < 128 else ch - 256) - 48
        value = (value * base + digit) & 0xFFFFFFFF
    return value - (1 << 32) if value >= 1 << 31 else value


def show(value, base):
    if base == 10:
        return str(value)
    if base == 16:
        return format(value & 0xFFFFFFFF, "X")
    return format(value, "b") if value > 0 else ""


class Converter(Gtk.Dialog):
    BASES = (("DEC:", 10), ("HEX:", 16), ("BIN:", 2))

    def __init__(self):
        super().__init__(title="Zahlix")
        self.set_keep_above(True)
        self.set_resizable(False)
        grid = Gtk.Grid(row_spacing=4, column_spacing=6, margin=8)
        self.get_content_area().add(grid)
        self.fields = []
        for row, (caption, base) in enumerate(self.BASES):
            label = Gtk.Label(label=caption, xalign=0)
            entry = Gtk.Entry(width_chars=32)
            label.set_mnemonic_widget(entry)
            entry.connect("changed", self.on_changed, base)
            grid.attach(label, 0, row, 1, 1)
            grid.attach(entry, 1, row, 1, 1)
            self.fields.append((entry, base))
        self.connect("response", lambda *_: Gtk.main_quit())
        self.connect("destroy", lambda *_: Gtk.main_quit())
        if "--show-on-usr1" in sys.argv[1:]:
            GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, self.open)
        else:
            self.open()

    def open(self):
        self.show_all()
        self.fields[0][0].grab_focus()
        return GLib.SOURCE_REMOVE

    def on_changed(self, source, base):
        # A rewrite raises "changed" in a field without the focus: only the user's edit converts.
        if not source.has_focus():
            return
        value = parse(source.get_text(), base)
        for entry, other in self.fields:
            if entry is not source:
                entry.set_text(show(value, other))


if __name__ == "__main__":
    Converter()
    Gtk.main()
