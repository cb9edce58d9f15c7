#!/usr/bin/env python3
"""Writes the program's pictures into a folder: the background bitmap, the
application icon, the hand cursor and the placeholder thumbnail "icon.png".
They are drawn here from plain rules rather than kept as binary files."""
import math
import struct
import sys
import zlib
from pathlib import Path

BACKGROUND = (229, 198, 195)  # RGB of every pixel of the background bitmap


def bmp_24(width, height, rgb):
    stride = (width * 3 + 3) & ~3
    row = bytes((rgb[2], rgb[1], rgb[0])) * width + b"\0" * (stride - width * 3)
    pixels = row * height
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def disc_with_cross(x, y):
    """Colour (r, g, b, alpha) of the 32 x 32 icon at pixel (x, y), y from the top."""
    cx = cy = 15.5
    if math.hypot(x - cx, y - cy) > 15.0:
        return None
    if 13 <= x <= 18 and 6 <= y <= 25 or 13 <= y <= 18 and 6 <= x <= 25:
        return (255, 255, 255)
    return (30, 80, 200)


def and_mask(size, opaque):
    stride = ((size + 31) // 32) * 4
    rows = []
    for y in reversed(range(size)):
        bits = bytearray(stride)
        for x in range(size):
            if not opaque(x, y):
                bits[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(bits))
    return b"".join(rows)


def icon_image_32():
    size = 32
    pixels = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            c = disc_with_cross(x, y)
            pixels += bytes((c[2], c[1], c[0], 255)) if c else b"\0\0\0\0"
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return info + bytes(pixels) + and_mask(size, lambda x, y: disc_with_cross(x, y) is not None)


def icon_image_8():
    size = 32
    palette = [(0, 0, 0), (30, 80, 200), (255, 255, 255)] + [(0, 0, 0)] * 253
    index = {None: 0, (30, 80, 200): 1, (255, 255, 255): 2}
    pixels = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            pixels.append(index[disc_with_cross(x, y)])
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return info + pal + bytes(pixels) + and_mask(size, lambda x, y: disc_with_cross(x, y) is not None)


def ico(images, cursor_hotspot=None):
    kind = 2 if cursor_hotspot else 1
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for data, colours, bpp in images:
        if cursor_hotspot:
            planes, bits = cursor_hotspot
        else:
            planes, bits = 1, bpp
        out += struct.pack("<BBBBHHII", 32, 32, colours, 0, planes, bits, len(data), offset)
        offset += len(data)
    return out + b"".join(d for d, _, _ in images)


# A pointing hand, 32 x 32; '#' outline (black), '.' inside (white), the
# fingertip at column 5 of the top row is the hot spot.
HAND = [
    "    ##",
    "   #..#",
    "   #..#",
    "   #..#",
    "   #..#",
    "   #..###",
    "   #..#..###",
    "   #..#..#..##",
    "   #..#..#..#.#",
    "## #..#..#..#..#",
    "#..##........#.#",
    "#...#..........#",
    " #..#..........#",
    "  #............#",
    "  #............#",
    "   #...........#",
    "   #..........#",
    "    #.........#",
    "    #........#",
    "     #.......#",
    "     #.......#",
    "     #########",
]


def cursor_image():
    size = 32
    def at(x, y):
        row = HAND[y] if y < len(HAND) else ""
        return row[x] if x < len(row) else " "
    stride = 4
    xor_rows, and_rows = [], []
    for y in reversed(range(size)):
        xor_bits, and_bits = bytearray(stride), bytearray(stride)
        for x in range(size):
            c = at(x, y)
            if c == " ":
                and_bits[x // 8] |= 0x80 >> (x % 8)  # transparent
            elif c == ".":
                xor_bits[x // 8] |= 0x80 >> (x % 8)  # white
        xor_rows.append(bytes(xor_bits))
        and_rows.append(bytes(and_bits))
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = b"\0\0\0\0" + b"\xff\xff\xff\0"
    return info + palette + b"".join(xor_rows) + b"".join(and_rows)


def png(width, height, pixel):
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw += bytes(pixel(x, y))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def placeholder(x, y):
    """A grey card with a picture frame crossed out in red: "this picture cannot be shown"."""
    size = 96
    if x < 2 or y < 2 or x >= size - 2 or y >= size - 2:
        return (128, 128, 128)
    on_diagonal = abs(x - y) <= 3 or abs(x + y - (size - 1)) <= 3
    if 16 <= x < 80 and 16 <= y < 80 and on_diagonal:
        return (200, 30, 30)
    if (x in range(16, 20) or x in range(76, 80)) and 16 <= y < 80 or (y in range(16, 20) or y in range(76, 80)) and 16 <= x < 80:
        return (90, 90, 90)
    return (236, 236, 236)


def main(out_dir):
    out = Path(out_dir)
    out.mkdir(parents=True, exist_ok=True)
    (out / "background.bmp").write_bytes(bmp_24(634, 464, BACKGROUND))
    (out / "app.ico").write_bytes(ico([(icon_image_8(), 0, 8), (icon_image_32(), 0, 32)]))
    (out / "hand.cur").write_bytes(ico([(cursor_image(), 2, 1)], cursor_hotspot=(5, 0)))
    (out / "icon.png").write_bytes(png(96, 96, placeholder))


if __name__ == "__main__":
    main(sys.argv[1])
