#!/usr/bin/env python3
"""Tests of tools/release_files.py, the writer of the release files that repeat CHANGELOG.md and
LICENSE: how it reads a changelog, what it refuses, and that its outputs depend on content alone.

    release_files_test.py TOOLS_DIR"""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, sys.argv.pop(1) if len(sys.argv) > 1 else "tools")
import release_files as rf  # noqa: E402

HEAD = "# Changes\n\nIntro text that is no release.\n\n"


class ChangelogTest(unittest.TestCase):
    def test_reading(self):
        cases = [  # name, changelog after HEAD, (version, date, paragraphs, items) of each release
            ("paragraph lines join, items and their indented lines join",
             "## 1.2.0.0 (2027-01-31)\n\nFirst line\nsecond line.\n\n- one\n  more\n- `two`\n",
             [("1.2.0.0", "2027-01-31", ["First line second line."], ["one more", "two"])]),
            ("newest first, each release its own",
             "## 2.0 (2028-02-29)\n\n- new\n\n## 1.0 (2027-01-01)\n\nOld.\n",
             [("2.0", "2028-02-29", [], ["new"]), ("1.0", "2027-01-01", ["Old."], [])]),
        ]
        for name, text, expected in cases:
            with self.subTest(name):
                releases = rf.parse_changelog(HEAD + text)
                found = [(r.version, r.date.isoformat(), r.paragraphs, r.items) for r in releases]
                self.assertEqual(found, expected)

    def test_refusals(self):
        cases = [  # name, changelog after HEAD, words the error must hold
            ("no release", "Nothing here.\n", "at least one heading"),
            ("heading without date", "## 1.0\n\n- x\n", "CHANGELOG.md:5"),
            ("date that does not exist", "## 1.0 (2027-02-30)\n\n- x\n", "2027-02-30 is no date"),
            ("release that says nothing", "## 1.0 (2027-01-01)\n\n## 0.9 (2026-01-01)\n\n- x\n", "1.0 says nothing"),
        ]
        for name, text, words in cases:
            with self.subTest(name), self.assertRaises(rf.Error) as caught:
                rf.parse_changelog(HEAD + text)
            self.assertIn(words, str(caught.exception))

    def test_debian_changelog_and_appstream(self):
        releases = rf.parse_changelog(HEAD + "## 1.0 (2026-12-09)\n\n- " + "word " * 30 + "& <tag>\n")
        debian = rf.debian_changelog(releases, "zahlix", "A B <a@example.org>").splitlines()
        self.assertEqual(debian[0], "zahlix (1.0) unstable; urgency=medium")
        self.assertEqual(debian[-1], " -- A B <a@example.org>  Wed, 09 Dec 2026 00:00:00 +0000")
        self.assertTrue(all(len(line) <= 80 for line in debian), debian)
        self.assertEqual([line[:4] for line in debian[2:4]], ["  * ", "    "])
        self.assertIn("&amp; &lt;tag&gt;</li>", rf.appstream_releases(releases))
        self.assertEqual(rf.midnight(releases[0].date), 1796774400)


class LicenceTest(unittest.TestCase):
    def test_debian_copyright(self):
        text = rf.debian_copyright("MIT License\n\nCopyright (c) 2026 Holder\n\nTerms one.\n\nTerms two.\n", "Z")
        self.assertIn("Copyright: 2026 Holder\nLicense: Expat\n Terms one.\n .\n Terms two.\n", text)
        with self.assertRaises(rf.Error):
            rf.debian_copyright("MIT License\n\nNo holder.\n", "Z")

    def test_windows_licence_has_crlf_only(self):
        text = rf.windows_licence("A\nB\n", "C\r\nD\n")
        self.assertEqual(text, "A\r\nB\r\n\r\n\r\nC\r\nD\r\n")


class ZipTest(unittest.TestCase):
    def test_same_bytes_whatever_the_files_times_and_folders(self):
        zips = []
        with tempfile.TemporaryDirectory() as folder:
            for copy, mtime in (("a", 1000000000), ("longer-b", 2000000000)):
                os.mkdir(os.path.join(folder, copy))
                names = [os.path.join(folder, copy, name) for name in ("z.exe", "L.txt")]
                for name in names:
                    with open(name, "wb") as file:
                        file.write(name.encode()[-5:] * 100)
                    os.utime(name, (mtime, mtime))
                out = os.path.join(folder, copy + ".zip")
                rf.write_zip(out, 1796774400, names)
                with open(out, "rb") as file:
                    zips.append(file.read())
        self.assertEqual(zips[0], zips[1])


if __name__ == "__main__":
    unittest.main()
