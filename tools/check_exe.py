#!/usr/bin/env python3
"""Checks a built zahlix.exe: its headers, exactly its resources (the dialog template byte by
byte, the version block, the icon against resources/zahlix_icon.txt) and its imports: USER32 only for
the program's own calls, and from the runtime's DLLs nothing that reaches files, the registry, the
environment, other programs or the network.

    check_exe.py zahlix.exe i386|amd64 ICON-TEXT

Every finding is printed; the exit code is 1 if there was any."""

import re
import struct
import sys

import pefile

import icon

LANG_SWISS_GERMAN = 0x0807
RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_VERSION = 3, 5, 14, 16

DIALOG = dict(style=0x00CA08C0, ex_style=0, x=0, y=0, cx=129, cy=52, menu="", window_class="", caption="Zahlix",
              point_size=8, font="MS Sans Serif")
BUTTON, EDIT, STATIC = 0x80, 0x81, 0x82
CONTROLS = [  # identifier, class, text, style, x, y, width, height
    (1000, EDIT, "", 0x50810080, 27, 8, 96, 12),
    (1001, EDIT, "", 0x50810080, 27, 20, 96, 12),
    (1002, EDIT, "", 0x50810080, 27, 33, 96, 12),
    (0xFFFF, BUTTON, "", 0x50000007, 2, 0, 125, 49),
    (2, BUTTON, "Beenden", 0x40010000, 31, 0, 14, 6),
    (1003, STATIC, "DEC:", 0x50020000, 8, 10, 18, 8),
    (1004, STATIC, "HEX:", 0x50020000, 8, 23, 18, 8),
    (1005, STATIC, "BIN:", 0x50020000, 8, 35, 15, 8),
    (1008, BUTTON, "Berechnen", 0x40010001, 5, 0, 20, 6),
]
VERSION_KEYS = ["Comments", "CompanyName", "FileDescription", "FileVersion", "InternalName", "LegalCopyright",
                "OriginalFilename", "ProductName", "ProductVersion"]
WORDS = [("N", 1, 1), ("R", 13, 5), ("G", 23, 9)]  # colour letter, top row, left column of each word

# The program's own calls, all of them USER32's: the dialog, its fields, the focus and CharUpperA.
PROGRAM_IMPORTS = {"CharUpperA", "DialogBoxParamA", "EndDialog", "GetDlgItem", "GetFocus", "GetWindowTextA",
                   "PostQuitMessage", "SendMessageA", "SetDlgItemTextA", "SetFocus", "SetWindowPos"}
# The C runtime's start-up and exit, which MinGW-w64 links into the program, import from KERNEL32
# and msvcrt what they need (README.md lists Debian 12's); each MinGW-w64 release differs a little
# (12's start-up also imports _ismbblead to find WinMain's command line), so they are not listed
# one by one. What they may never import is anything that reaches files, the registry, the
# environment beyond the argument and environment blocks that the start-up builds, other
# programs or the network: each name is held against these patterns.
RUNTIME_DLLS = {"kernel32.dll", "msvcrt.dll"}
FORBIDDEN = [
    (r"(Create|Open|Read|Find\w*|Delete|Copy|Move|Replace)File|FileAttributes|Director(y|ies)|"
     r"PrivateProfile|Profile(String|Int|Section)|^_?w?f?(s)?open|^_?w?fdopen|^_?w?freopen|^fread$|^_read$|"
     r"^_?w?stat(32|64|i64)?$|^_?w?find(first|next)|^_?w?access", "files"),
    (r"^Reg[A-Z]|Registry", "the registry"),
    (r"Environment|getenv|putenv|dupenv", "the environment"),
    (r"CreateProcess|OpenProcess|WinExec|ShellExecute|^_?w?system$|^_?w?spawn|^_?w?exec|^_?w?popen", "other programs"),
    (r"socket|connect|Internet|Http|Url|WSA", "the network"),
]

findings = []


def expect(what, actual, wanted):
    if actual != wanted:
        findings.append(f"{what}: {actual!r}, expected {wanted!r}")


class Reader:
    def __init__(self, data):
        self.data, self.pos = data, 0

    def unpack(self, fmt):
        values = struct.unpack_from("<" + fmt, self.data, self.pos)
        self.pos += struct.calcsize("<" + fmt)
        return values if len(values) > 1 else values[0]

    def string(self):
        end = self.pos
        while self.data[end:end + 2] != b"\0\0":
            if end + 2 > len(self.data):
                raise ValueError(f"a string at byte {self.pos} runs past the end of the resource")
            end += 2
        text = self.data[self.pos:end].decode("utf-16-le")
        self.pos = end + 2
        return text

    def name(self):
        """A name or ordinal: the ordinal as an int, else the string."""
        if self.data[self.pos:self.pos + 2] == b"\xff\xff":
            self.pos += 2
            return self.unpack("H")
        return self.string()

    def align(self):
        self.pos = (self.pos + 3) & ~3


def check_dialog(data):
    r = Reader(data)
    style, ex_style, count, x, y, cx, cy = r.unpack("IIHhhhh")
    header = dict(style=style, ex_style=ex_style, x=x, y=y, cx=cx, cy=cy, menu=r.name(), window_class=r.name(),
                  caption=r.string(), point_size=r.unpack("H"), font=r.string())
    for key, wanted in DIALOG.items():
        expect(f"dialog {key}", header[key], wanted)
    expect("dialog control count", count, len(CONTROLS))
    for number, wanted in enumerate(CONTROLS, 1):
        r.align()
        style, ex_style, x, y, cx, cy, ident = r.unpack("IIhhhhH")
        control = (ident, r.name(), r.name(), style, x, y, cx, cy)
        expect(f"control {number}", control, wanted)
        expect(f"control {number} extended style", ex_style, 0)
        expect(f"control {number} creation data", r.unpack("H"), 0)
    expect("bytes after the last control", len(data) - r.pos, 0)


def check_version(pe):
    fixed = pe.VS_FIXEDFILEINFO[0]
    expect("version signature", fixed.Signature, 0xFEEF04BD)
    expect("version structure version", fixed.StrucVersion, 0x00010000)
    for field in ("FileVersion", "ProductVersion"):
        expect(f"fixed {field}", (getattr(fixed, field + "MS"), getattr(fixed, field + "LS")), (0x00010000, 0x00000001))
    for field, wanted in (("FileFlagsMask", 0x3F), ("FileFlags", 0), ("FileOS", 0x00040004), ("FileType", 1),
                          ("FileSubtype", 0), ("FileDateMS", 0), ("FileDateLS", 0)):
        expect(f"fixed {field}", getattr(fixed, field), wanted)
    tables = [table for info in pe.FileInfo[0] if info.Key == b"StringFileInfo" for table in info.StringTable]
    expect("string tables", [table.LangID for table in tables], [b"000004e4"])
    if tables:
        entries = [(key.decode(), value.decode()) for key, value in tables[0].entries.items()]
        expect("version entries in order", [key for key, _ in entries], VERSION_KEYS)
        for key in ("FileVersion", "ProductVersion"):
            expect(key, dict(entries).get(key), "1.01")
    translations = [var.entry for info in pe.FileInfo[0] if info.Key == b"VarFileInfo" for var in info.Var]
    expect("Translation", translations, [{b"Translation": "0x0000 0x04e4"}])


def check_icon(group, image, picture_path):
    reserved, kind, count = struct.unpack_from("<HHH", group)
    expect("group icon header", (reserved, kind, count), (0, 1, 1))
    entry = struct.unpack_from("<BBBBHHIH", group, 6)
    expect("group icon entry (size, colours, planes, bits, id)", entry[:6] + entry[7:], (32, 32, 16, 0, 1, 4, 1))
    expect("group icon image size", entry[6], len(image))
    rows = icon.decode_image(image)
    expect("icon picture", rows, icon.read_picture(picture_path))
    for colour, top, left in WORDS:
        cells = [(y, x) for y, row in enumerate(rows) for x, c in enumerate(row) if c == colour]
        box = (min(cells)[0], min(x for _, x in cells), max(cells)[0]) if cells else None
        expect(f"rows and first column of the {colour} word", box, (top, left, top + 6))


def main(path, machine, picture):
    pe = pefile.PE(path)
    expect("machine", pefile.MACHINE_TYPE.get(pe.FILE_HEADER.Machine), f"IMAGE_FILE_MACHINE_{machine.upper()}")
    expect("PE format", hex(pe.OPTIONAL_HEADER.Magic), "0x10b" if machine == "i386" else "0x20b")
    expect("subsystem", pe.OPTIONAL_HEADER.Subsystem, pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"])

    resources = {}
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name in kind.directory.entries:
            for language in name.directory.entries:
                data = pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
                resources[(kind.id, name.id, language.id)] = data
    expect("resources (type, name, language)", sorted(resources),
           sorted((kind, name, LANG_SWISS_GERMAN) for kind, name in
                  ((RT_ICON, 1), (RT_DIALOG, 103), (RT_GROUP_ICON, 102), (RT_VERSION, 1))))
    if (RT_DIALOG, 103, LANG_SWISS_GERMAN) in resources:
        try:
            check_dialog(resources[(RT_DIALOG, 103, LANG_SWISS_GERMAN)])
        except (ValueError, struct.error) as error:
            findings.append(f"dialog template: {error}")
    check_version(pe)
    group = resources.get((RT_GROUP_ICON, 102, LANG_SWISS_GERMAN))
    image = resources.get((RT_ICON, 1, LANG_SWISS_GERMAN))
    if group and image:
        check_icon(group, image, picture)

    for entry in pe.DIRECTORY_ENTRY_IMPORT:
        dll = entry.dll.decode().lower()
        names = {imported.name.decode() for imported in entry.imports}
        if dll == "user32.dll":
            if names - PROGRAM_IMPORTS:
                findings.append(f"imports from {dll} that the program does not call: {sorted(names - PROGRAM_IMPORTS)}")
        elif dll not in RUNTIME_DLLS:
            findings.append(f"imports from {dll}, which neither the program nor its start-up needs: {sorted(names)}")
        else:
            for name in sorted(names):
                reaches = [what for pattern, what in FORBIDDEN if re.search(pattern, name)]
                if reaches:
                    findings.append(f"imports {name} from {dll}, which reaches {' and '.join(reaches)}")
            print(f"{path}: the start-up imports from {dll}: {' '.join(sorted(names))}")

    for finding in findings:
        print(f"{path}: {finding}")
    print(f"{path}: {'FAILED' if findings else 'all checks passed'}")
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
