#!/usr/bin/env python3
"""Writes the release files that repeat what CHANGELOG.md and LICENSE say, so that each text is
written once:

    release_files.py release CHANGELOG VERSION                  prints the newest release's date
                                                                and its midnight (UTC) as seconds
    release_files.py debian-changelog CHANGELOG PACKAGE MAINTAINER OUT
    release_files.py metainfo CHANGELOG TEMPLATE OUT            @RELEASES@ in TEMPLATE becomes the
                                                                AppStream <release> elements
    release_files.py debian-copyright LICENSE NAME OUT          a machine-readable (DEP-5) copyright
    release_files.py windows-licence LICENSE RUNTIME OUT        LICENSE and the runtime's terms,
                                                                with CR LF line ends
    release_files.py zip OUT EPOCH FILE...                      a zip of the FILEs in that order,
                                                                each dated EPOCH (UTC), owned by
                                                                nobody, executable if it ends .exe

CHANGELOG.md holds releases, newest first, each a heading "## VERSION (YYYY-MM-DD)" followed by
paragraphs and "- " items; `code` marks are dropped. Every failure names the file and line and
ends with exit code 1."""

import calendar
import datetime
import re
import sys
import textwrap
import time
import zipfile
from xml.sax.saxutils import escape

HEADING = re.compile(r"^## (\d+(?:\.\d+)*) \((\d{4}-\d{2}-\d{2})\)$")
DAYS = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"]
MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]


class Error(Exception):
    pass


class Release:
    def __init__(self, version, date):
        self.version, self.date = version, date
        self.paragraphs, self.items = [], []


def parse_changelog(text, path="CHANGELOG.md"):
    """The releases in the order written: each with its paragraphs and items as one line each."""
    releases, block = [], None
    for number, line in enumerate(text.splitlines(), 1):
        where = f"{path}:{number}"
        if line.startswith("## "):
            match = HEADING.match(line)
            if not match:
                raise Error(f"{where}: expected a heading \"## VERSION (YYYY-MM-DD)\", found \"{line}\"")
            try:
                date = datetime.date.fromisoformat(match.group(2))
            except ValueError:
                raise Error(f"{where}: {match.group(2)} is no date") from None
            releases.append(Release(match.group(1), date))
            block = None
        elif not releases or line.startswith("#"):
            continue
        elif not line.strip():
            block = None
        elif line.startswith("- "):
            block = releases[-1].items
            block.append(line[2:].strip())
        elif block is not None and (line.startswith(" ") or block is releases[-1].paragraphs):
            block[-1] += " " + line.strip()
        else:
            block = releases[-1].paragraphs
            block.append(line.strip())
    if not releases:
        raise Error(f"{path}: expected at least one heading \"## VERSION (YYYY-MM-DD)\", found none")
    for release in releases:
        release.paragraphs = [plain(text) for text in release.paragraphs]
        release.items = [plain(text) for text in release.items]
        if not release.paragraphs and not release.items:
            raise Error(f"{path}: the release {release.version} says nothing")
    return releases


def plain(text):
    return text.replace("`", "")


def midnight(date):
    return calendar.timegm(date.timetuple())


def debian_changelog(releases, package, maintainer):
    entries = []
    for release in releases:
        lines = [f"{package} ({release.version}) unstable; urgency=medium", ""]
        for text in release.paragraphs + release.items:
            lines += textwrap.wrap(text, 80, initial_indent="  * ", subsequent_indent="    ",
                                   break_long_words=False, break_on_hyphens=False)
        d = release.date
        stamp = f"{DAYS[d.weekday()]}, {d.day:02} {MONTHS[d.month - 1]} {d.year} 00:00:00 +0000"
        lines += ["", f" -- {maintainer}  {stamp}"]
        entries.append("\n".join(lines) + "\n")
    return "\n".join(entries)


def appstream_releases(releases, indent="    "):
    lines = []
    for release in releases:
        lines.append(f'{indent}<release version="{release.version}" date="{release.date.isoformat()}">')
        lines.append(f"{indent}  <description>")
        lines += [f"{indent}    <p>{escape(text)}</p>" for text in release.paragraphs]
        if release.items:
            lines.append(f"{indent}    <ul>")
            lines += [f"{indent}      <li>{escape(text)}</li>" for text in release.items]
            lines.append(f"{indent}    </ul>")
        lines += [f"{indent}  </description>", f"{indent}</release>"]
    return "\n".join(lines)


def split_licence(text, path="LICENSE"):
    """The licence's title, its copyright line without the "Copyright (c)", and its terms."""
    lines = text.strip("\n").splitlines()
    at = next((i for i, line in enumerate(lines) if line.startswith("Copyright (c) ")), None)
    if at is None:
        raise Error(f"{path}: expected a line \"Copyright (c) YEAR HOLDER\", found none")
    terms = "\n".join(lines[at + 1:]).strip("\n")
    if not terms:
        raise Error(f"{path}: expected the terms after the copyright line, found none")
    return lines[0], lines[at][len("Copyright (c) "):], terms


def debian_copyright(licence, name):
    _, holder, terms = split_licence(licence)
    body = "\n".join(" " + line if line.strip() else " ." for line in terms.splitlines())
    return (f"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
            f"Upstream-Name: {name}\n\n"
            f"Files: *\nCopyright: {holder}\nLicense: Expat\n{body}\n")


def windows_licence(licence, runtime):
    text = licence.strip("\n") + "\n\n\n" + runtime.strip("\n") + "\n"
    return text.replace("\r\n", "\n").replace("\n", "\r\n")


def write_zip(path, epoch, files):
    """A zip whose bytes depend on the files' names and contents alone."""
    stamp = time.gmtime(max(epoch, 315532800))[:6]  # a zip cannot date anything before 1980
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for name in files:
            entry = zipfile.ZipInfo(name.rsplit("/", 1)[-1], stamp)
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.create_system = 3  # Unix, so that the modes below count
            entry.external_attr = (0o100755 if name.endswith(".exe") else 0o100644) << 16
            with open(name, "rb") as file:
                archive.writestr(entry, file.read(), compresslevel=9)


def read(path):
    with open(path, encoding="utf-8") as file:
        return file.read()


def write(path, text, newline="\n"):
    with open(path, "w", encoding="utf-8", newline=newline) as file:
        file.write(text)


def main(arguments):
    command, *rest = arguments or [""]
    if command == "release" and len(rest) == 2:
        newest = parse_changelog(read(rest[0]), rest[0])[0]
        if newest.version != rest[1]:
            raise Error(f"{rest[0]}: expected the newest release to be {rest[1]}, found {newest.version}")
        print(newest.date.isoformat(), midnight(newest.date))
    elif command == "debian-changelog" and len(rest) == 4:
        write(rest[3], debian_changelog(parse_changelog(read(rest[0]), rest[0]), rest[1], rest[2]))
    elif command == "metainfo" and len(rest) == 3:
        template = read(rest[1])
        if template.count("@RELEASES@") != 1:
            raise Error(f"{rest[1]}: expected @RELEASES@ once")
        releases = appstream_releases(parse_changelog(read(rest[0]), rest[0]))
        write(rest[2], re.sub(r"[ \t]*@RELEASES@", lambda _: releases, template))
    elif command == "debian-copyright" and len(rest) == 3:
        write(rest[2], debian_copyright(read(rest[0]), rest[1]))
    elif command == "windows-licence" and len(rest) == 3:
        write(rest[2], windows_licence(read(rest[0]), read(rest[1])), newline="")
    elif command == "zip" and len(rest) >= 3 and rest[1].isdigit():
        write_zip(rest[0], int(rest[1]), rest[2:])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except (Error, OSError) as error:
        print(f"release_files.py: {error}", file=sys.stderr)
        sys.exit(1)
