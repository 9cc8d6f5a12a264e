"""Zahlix's icon: the picture as text (resources/zahlix_icon.txt) and the 32 x 32, 16-colour
icon image with its transparency mask that Windows icons hold."""

import struct

# The standard 16-colour palette in its standard (VGA) order, as (red, green, blue), with the
# letter that names each colour in the picture's text.
PALETTE = [
    ("K", (0x00, 0x00, 0x00)), ("M", (0x80, 0x00, 0x00)), ("G", (0x00, 0x80, 0x00)), ("O", (0x80, 0x80, 0x00)),
    ("N", (0x00, 0x00, 0x80)), ("P", (0x80, 0x00, 0x80)), ("T", (0x00, 0x80, 0x80)), ("S", (0xC0, 0xC0, 0xC0)),
    ("A", (0x80, 0x80, 0x80)), ("R", (0xFF, 0x00, 0x00)), ("L", (0x00, 0xFF, 0x00)), ("Y", (0xFF, 0xFF, 0x00)),
    ("B", (0x00, 0x00, 0xFF)), ("F", (0xFF, 0x00, 0xFF)), ("Q", (0x00, 0xFF, 0xFF)), ("W", (0xFF, 0xFF, 0xFF)),
]
TRANSPARENT = "."
SIZE = 32


def read_picture(path):
    """The picture's rows, top first: SIZE strings of SIZE letters."""
    with open(path, encoding="ascii") as f:
        rows = [line.rstrip("\n") for line in f if not line.startswith("#")]
    letters = {letter for letter, _ in PALETTE} | {TRANSPARENT}
    if len(rows) != SIZE or any(len(row) != SIZE or set(row) - letters for row in rows):
        raise ValueError(f"{path}: expected {SIZE} rows of {SIZE} palette letters or '{TRANSPARENT}'")
    return rows


def icon_image(rows):
    """The icon image: BITMAPINFOHEADER, palette, 4-bit colour rows and 1-bit mask, bottom up."""
    index = {letter: i for i, (letter, _) in enumerate(PALETTE)}
    colours = b"".join(
        bytes((index.get(row[x], 0) << 4) | index.get(row[x + 1], 0) for x in range(0, SIZE, 2))
        for row in reversed(rows))
    mask = b"".join(
        int("".join("1" if c == TRANSPARENT else "0" for c in row), 2).to_bytes(SIZE // 8, "big")
        for row in reversed(rows))
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0, len(colours) + len(mask), 0, 0, 0, 0)
    palette = b"".join(bytes((b, g, r, 0)) for _, (r, g, b) in PALETTE)
    return header + palette + colours + mask


def decode_image(image):
    """The picture's rows from an icon image as icon_image writes it (to check an executable)."""
    (size, width, height, planes, bits) = struct.unpack_from("<IiiHH", image)
    if (size, width, height, planes, bits) != (40, SIZE, 2 * SIZE, 1, 4):
        raise ValueError(f"not a {SIZE} x {SIZE} 4-bit icon image: {(size, width, height, planes, bits)}")
    palette = [tuple(image[40 + 4 * i + 2 - c] for c in range(3)) for i in range(16)]
    letters = {rgb: letter for letter, rgb in PALETTE}
    colours = image[40 + 64:40 + 64 + SIZE * SIZE // 2]
    mask = image[40 + 64 + SIZE * SIZE // 2:]
    rows = []
    for y in range(SIZE):
        line = colours[y * SIZE // 2:(y + 1) * SIZE // 2]
        bits = int.from_bytes(mask[y * SIZE // 8:(y + 1) * SIZE // 8], "big")
        row = ""
        for x in range(SIZE):
            nibble = (line[x // 2] >> (4 if x % 2 == 0 else 0)) & 0xF
            transparent = bits & (1 << (SIZE - 1 - x))
            row += TRANSPARENT if transparent else letters.get(palette[nibble], "?")
        rows.append(row)
    return list(reversed(rows))
