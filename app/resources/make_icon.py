#!/usr/bin/env python3
"""Draws the installer's window icon, 64 x 64 in 256 colours, and writes it as
an .ico file: an open catalogue with a green arrow that stands for the update."""
import struct
import sys

SIZE = 64

# Palette index -> (red, green, blue); the rest of the 256 entries stay black.
PALETTE = {
    0: (0, 0, 0),
    1: (0x1F, 0x4E, 0x8C),   # cover blue
    2: (0x2F, 0x6F, 0xC0),   # cover highlight
    3: (0xFF, 0xFF, 0xFF),   # pages
    4: (0xC8, 0xD2, 0xDC),   # page lines
    5: (0x2E, 0x9E, 0x44),   # arrow green
    6: (0x1B, 0x6B, 0x2C),   # arrow outline
}


def draw():
    pixels = [[None] * SIZE for _ in range(SIZE)]  # None = transparent

    def rect(x0, y0, x1, y1, colour):
        for y in range(y0, y1):
            for x in range(x0, x1):
                pixels[y][x] = colour

    rect(6, 10, 58, 54, 1)          # the cover
    rect(8, 12, 56, 52, 2)
    rect(10, 14, 31, 50, 3)         # left page
    rect(33, 14, 54, 50, 3)         # right page
    for y in range(19, 47, 5):      # lines of text
        rect(13, y, 28, y + 1, 4)
        rect(36, y, 51, y + 1, 4)
    # The arrow, pointing down into the book.
    for y in range(30, 62):
        half = 4 if y < 46 else max(0, 61 - y)
        for x in range(46 - half - 1, 46 + half + 2):
            if 0 <= x < SIZE:
                edge = x in (46 - half - 1, 46 + half + 1) or y == 30
                pixels[y][x] = 6 if edge else 5
    for y in range(46, 48):
        rect(34, y, 59, y + 1, 6)
    return pixels


def ico(pixels):
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    palette = b''.join(struct.pack('<BBBB', *reversed(PALETTE.get(i, (0, 0, 0))), 0) for i in range(256))
    colours = b''.join(bytes(p or 0 for p in row) for row in reversed(pixels))
    mask = b''
    for row in reversed(pixels):
        bits = 0
        for x, p in enumerate(row):
            if p is None:
                bits |= 1 << (63 - x)
        mask += bits.to_bytes(8, 'big')
    image = header + palette + colours + mask
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 1, 8, len(image), 22)
    return directory + image


if __name__ == '__main__':
    with open(sys.argv[1], 'wb') as out:
        out.write(ico(draw()))
