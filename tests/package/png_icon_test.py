#!/usr/bin/env python3
"""Checks the icon's PNG files against the picture's text, and the PNG writer's refusals:
png_icon_test.py PICTURE.txt SIZE PNG [SIZE PNG ...]
The PNGs are read by a decoder of this test's own (zlib and struct), not by the writer's code."""

import os
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools")
sys.path.insert(0, TOOLS)
import icon  # noqa: E402

WRITER = os.path.join(TOOLS, "make_png_icon.py")
PICTURE = None
PNGS = []  # (size, path)


def read_chunks(data):
    """The chunks of a PNG file as (type, data), each CRC checked."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"no PNG signature: {data[:8]!r}")
    chunks = []
    at = 8
    while at < len(data):
        (length,) = struct.unpack_from(">I", data, at)
        kind = data[at + 4:at + 8]
        body = data[at + 8:at + 8 + length]
        (crc,) = struct.unpack_from(">I", data, at + 8 + length)
        if crc != zlib.crc32(kind + body):
            raise ValueError(f"chunk {kind!r} at {at}: CRC {crc:08x}, expected {zlib.crc32(kind + body):08x}")
        chunks.append((kind, body))
        at += 12 + length
    return chunks


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def decode(data):
    """(width, height, rows of (r, g, b, a) tuples) of an 8-bit RGBA PNG without interlace."""
    chunks = read_chunks(data)
    kinds = [kind for kind, _ in chunks]
    if kinds[0] != b"IHDR" or kinds[-1] != b"IEND" or chunks[-1][1] or kinds.count(b"IEND") != 1:
        raise ValueError(f"chunks in the wrong order: {kinds}")
    width, height, depth, colour, compression, filtering, interlace = struct.unpack(">IIBBBBB", chunks[0][1])
    if (depth, colour, compression, filtering, interlace) != (8, 6, 0, 0, 0):
        raise ValueError(f"not 8-bit RGBA without interlace: {(depth, colour, compression, filtering, interlace)}")
    raw = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    stride = 4 * width
    if len(raw) != height * (stride + 1):
        raise ValueError(f"{len(raw)} bytes of image data, expected {height * (stride + 1)}")
    rows = []
    previous = bytes(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b = previous[i]
            c = previous[i - 4] if i >= 4 else 0
            predictor = {0: 0, 1: a, 2: b, 3: (a + b) // 2, 4: paeth(a, b, c)}.get(kind)
            if predictor is None:
                raise ValueError(f"row {y}: filter type {kind}")
            line[i] = (line[i] + predictor) & 0xFF
        rows.append([tuple(line[x:x + 4]) for x in range(0, stride, 4)])
        previous = bytes(line)
    return width, height, rows


def expected_pixel(letter):
    """The RGBA of a letter of the picture; None for transparent (any colour with alpha 0)."""
    return None if letter == icon.TRANSPARENT else dict(icon.PALETTE)[letter] + (0xFF,)


class IconFiles(unittest.TestCase):
    def check_png(self, path, size, picture):
        with open(path, "rb") as f:
            width, height, rows = decode(f.read())
        self.assertEqual((width, height), (size, size), f"{path}: width and height")
        scale = size // icon.SIZE
        for y in range(size):
            for x in range(size):
                letter = picture[y // scale][x // scale]
                want = expected_pixel(letter)
                got = rows[y][x]
                if want is None:
                    self.assertEqual(got[3], 0, f"{path}: pixel ({x}, {y}) of '{letter}' should be transparent: {got}")
                else:
                    self.assertEqual(got, want, f"{path}: pixel ({x}, {y}) of '{letter}'")

    def test_built_icons_match_the_picture(self):
        picture = icon.read_picture(PICTURE)
        for size, path in PNGS:
            with self.subTest(size=size):
                self.check_png(path, size, picture)

    def test_every_palette_colour_at_twice_the_size(self):
        # A picture of its own that holds every palette letter and the transparent one, each in
        # places where a swapped row, column or channel shows.
        letters = [letter for letter, _ in icon.PALETTE] + [icon.TRANSPARENT]
        rows = ["".join(letters[(x + 3 * y) % len(letters)] for x in range(icon.SIZE)) for y in range(icon.SIZE)]
        with tempfile.TemporaryDirectory() as tmp:
            picture = os.path.join(tmp, "picture.txt")
            with open(picture, "w", encoding="ascii") as f:
                f.write("# every colour\n" + "\n".join(rows) + "\n")
            output = os.path.join(tmp, "icon.png")
            subprocess.run([sys.executable, WRITER, picture, "64", output], check=True)
            self.check_png(output, 64, rows)


class WriterRefusals(unittest.TestCase):
    def assert_refused(self, picture, size):
        with tempfile.TemporaryDirectory() as tmp:
            output = os.path.join(tmp, "icon.png")
            result = subprocess.run([sys.executable, WRITER, picture, size, output], capture_output=True, text=True)
            self.assertNotEqual(result.returncode, 0, f"size {size} of {picture} was accepted")
            self.assertFalse(os.path.exists(output), f"size {size} of {picture} left {output} behind")

    def test_sizes_that_are_no_multiple_of_the_picture(self):
        for size in ("0", "-32", "16", "48", "100"):
            with self.subTest(size=size):
                self.assert_refused(PICTURE, size)

    def test_pictures_of_the_wrong_shape_or_letters(self):
        good = icon.read_picture(PICTURE)
        bad = {
            "short row": [good[0][:-1]] + good[1:],
            "missing row": good[:-1],
            "unknown letter": ["X" + good[0][1:]] + good[1:],
        }
        with tempfile.TemporaryDirectory() as tmp:
            for name, rows in bad.items():
                with self.subTest(name):
                    path = os.path.join(tmp, name.replace(" ", "_") + ".txt")
                    with open(path, "w", encoding="ascii") as f:
                        f.write("\n".join(rows) + "\n")
                    self.assert_refused(path, "32")


if __name__ == "__main__":
    args = sys.argv[1:]
    if len(args) < 3 or len(args) % 2 == 0:
        sys.exit("usage: png_icon_test.py PICTURE.txt SIZE PNG [SIZE PNG ...]")
    PICTURE = args[0]
    PNGS = [(int(args[i]), args[i + 1]) for i in range(1, len(args), 2)]
    unittest.main(argv=sys.argv[:1], verbosity=2)
