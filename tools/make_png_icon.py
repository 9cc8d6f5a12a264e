#!/usr/bin/env python3
"""Writes Zahlix's icon as an RGBA PNG from the picture's text, each pixel scaled to a square of
SIZE / 32 pixels (nearest neighbour), the transparent ones with alpha 0:
make_png_icon.py PICTURE.txt SIZE OUTPUT.png"""

import struct
import sys
import zlib

import icon


def chunk(kind, data):
    """One PNG chunk: length, type, data and the CRC of type and data."""
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def rgba_rows(rows, size):
    """The picture's rows scaled to size x size, as RGBA bytes, top first."""
    if size <= 0 or size % icon.SIZE:
        raise ValueError(f"size {size}: expected a positive multiple of {icon.SIZE}")
    scale = size // icon.SIZE
    colours = {letter: bytes(rgb) + b"\xff" for letter, rgb in icon.PALETTE}
    colours[icon.TRANSPARENT] = bytes(4)
    scaled = []
    for row in rows:
        line = b"".join(colours[letter] * scale for letter in row)
        scaled.extend([line] * scale)
    return scaled


def png(rows, size):
    """The PNG file: 8-bit RGBA, not interlaced, every row with filter type 0 (none)."""
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    data = zlib.compress(b"".join(b"\x00" + line for line in rgba_rows(rows, size)), 9)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", data) + chunk(b"IEND", b"")


def main(picture, size, output):
    image = png(icon.read_picture(picture), int(size))
    with open(output, "wb") as f:
        f.write(image)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit("usage: make_png_icon.py PICTURE.txt SIZE OUTPUT.png")
    main(*sys.argv[1:])
