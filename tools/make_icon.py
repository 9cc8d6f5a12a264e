#!/usr/bin/env python3
"""Writes Zahlix's .ico from the picture's text: make_icon.py PICTURE.txt OUTPUT.ico"""

import struct
import sys

import icon


def main(picture, output):
    image = icon.icon_image(icon.read_picture(picture))
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", icon.SIZE, icon.SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    with open(output, "wb") as f:
        f.write(directory + entry + image)


if __name__ == "__main__":
    main(*sys.argv[1:])
