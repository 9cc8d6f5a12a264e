#!/usr/bin/env python3
"""Checks that LICENSE.txt names the terms of every part of the toolchain's runtime that the link
of zahlix.exe took in, as its link map (ld -Map) shows them: each object file loaded and each
archive member included that is not the project's own.

    static_licences_test.py ZAHLIX.MAP LICENSE.TXT

A part that the table below does not know (libstdc++ or winpthread after a change of the code or
the flags, say) fails the test: its terms then belong in resources/windows-runtime-licences.txt,
and its file name in the table."""

import os
import re
import sys

# File name of each runtime part, and the heading of its terms in LICENSE.txt.
TERMS = {
    "crt2.o": "The MinGW-w64 runtime",
    "libmingw32.a": "The MinGW-w64 runtime",
    "libmingwex.a": "The MinGW-w64 runtime",
    "libkernel32.a": "The MinGW-w64 runtime",
    "libuser32.a": "The MinGW-w64 runtime",
    "libmsvcrt.a": "The MinGW-w64 runtime",
    "crtbegin.o": "libgcc, GCC's support library",
    "crtend.o": "libgcc, GCC's support library",
    "libgcc.a": "libgcc, GCC's support library",
}
MEMBER = re.compile(r"^(\S+?\.a)\((\S+)\)$")


def runtime_parts(map_text):
    """The file names of the runtime parts in the link: archives with a member included, and
    object files loaded, leaving out the project's own (relative paths in the build tree)."""
    parts = set()
    lines = map_text.splitlines()
    if "Archive member included to satisfy reference by file (symbol)" in lines:
        start = lines.index("Archive member included to satisfy reference by file (symbol)") + 1
        for line in lines[start:]:
            if line and not line[0].isspace():
                match = MEMBER.match(line)
                if not match:
                    break
                parts.add(match.group(1))
    for line in lines:
        if line.startswith("LOAD ") and line.endswith((".o", ".obj", ".res")):
            parts.add(line[len("LOAD "):])
    return {os.path.basename(part) for part in parts if os.path.isabs(part) and not part.startswith(os.getcwd())}


def findings(parts, licence):
    found = []
    for part in sorted(parts):
        if part not in TERMS:
            found.append(f"{part} is linked in, and no terms for it are known: add them to "
                         "resources/windows-runtime-licences.txt and to this test's table")
        elif TERMS[part] not in licence:
            found.append(f"{part} is linked in, and LICENSE.txt lacks its terms (\"{TERMS[part]}\")")
    if not parts:
        found.append("the link map shows no runtime part at all: is it a map of zahlix.exe?")
    return found


def main(map_path, licence_path):
    with open(map_path, encoding="utf-8", errors="replace") as file:
        parts = runtime_parts(file.read())
    with open(licence_path, encoding="utf-8") as file:
        licence = file.read()
    problems = findings(parts, licence)
    for problem in problems:
        print(f"static_licences_test: {problem}")
    print(f"static_licences_test: {'FAILED' if problems else 'covered'}: {', '.join(sorted(parts))}")
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
