#!/usr/bin/env python3
"""Writes small icon, cursor and bitmap files drawn from code, for resources.

    images.py OUTDIR             the test pictures: test24.ico, hand.cur, alpha16.bmp
    images.py --program OUTDIR   the program's: quillmere.ico, browse.ico,
                                 advance.ico (each at many sizes) and link.cur

Each picture is a function of (x, y) giving (red, green, blue, alpha); the
writers store it as 32-bit BGRA rows, bottom-up, as the formats want. The
program's icons are drawn from shapes in a unit square, sampled several times
per pixel, so every size is drawn anew rather than scaled from another.
"""
import math
import struct
import sys
import zlib
from pathlib import Path


def _rows(width, height, pixel):
    """BGRA bytes, bottom row first."""
    out = bytearray()
    for y in reversed(range(height)):
        for x in range(width):
            r, g, b, a = pixel(x, y)
            out += bytes((b, g, r, a))
    return bytes(out)


def _and_mask(width, height, pixel):
    """1 bit per pixel, set where transparent; rows padded to 32 bits."""
    stride = (width + 31) // 32 * 4
    out = bytearray()
    for y in reversed(range(height)):
        row = bytearray(stride)
        for x in range(width):
            if pixel(x, y)[3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def icon_file(width, height, pixel, hotspot=None):
    """An .ico, or a .cur when hotspot (x, y) is given: one 32-bit image."""
    image = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    image += _rows(width, height, pixel) + _and_mask(width, height, pixel)
    kind, plane_or_x, bits_or_y = (1, 1, 32) if hotspot is None else (2, hotspot[0], hotspot[1])
    header = struct.pack("<HHH", 0, kind, 1)
    entry = struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, plane_or_x, bits_or_y, len(image), 6 + 16)
    return header + entry + image


def bitmap_file(width, height, pixel):
    """A 32-bit .bmp whose fourth byte is alpha."""
    pixels = _rows(width, height, pixel)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 32, 0, len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    return struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) + info + pixels


def _ring(size):
    """A blue ring on a transparent ground."""
    centre = (size - 1) / 2

    def pixel(x, y):
        d = ((x - centre) ** 2 + (y - centre) ** 2) ** 0.5
        return (30, 90, 200, 255) if size / 4 <= d <= size / 2 - 1 else (0, 0, 0, 0)

    return pixel


def _arrow(x, y):
    """A black arrow with a white edge, its tip at (0, 0)."""
    if x <= y < 20 and x < 12:
        inside = x + 1 < y and x < 11 and y < 19
        return (0, 0, 0, 255) if inside else (255, 255, 255, 255)
    return (0, 0, 0, 0)


def _fade(x, y):
    """Orange whose opacity grows from left to right."""
    return (240, 140, 20, x * 255 // 15)


def write_test_images(folder):
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "test24.ico").write_bytes(icon_file(24, 24, _ring(24)))
    (folder / "hand.cur").write_bytes(icon_file(32, 32, _arrow, hotspot=(0, 0)))
    (folder / "alpha16.bmp").write_bytes(bitmap_file(16, 16, _fade))


def _png(width, height, pixel):
    """A PNG of 8-bit RGBA: what an icon holds for its 256-pixel image."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw += bytes(pixel(x, y))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + \
        chunk(b"IEND", b"")


def multi_icon_file(images):
    """An .ico of several images, each (size, pixel); sizes of 256 are stored as PNG."""
    blobs = []
    for size, pixel in images:
        if size >= 256:
            blobs.append(_png(size, size, pixel))
        else:
            image = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
            blobs.append(image + _rows(size, size, pixel) + _and_mask(size, size, pixel))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, _), blob in zip(images, blobs):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


def mono_cursor_file(rows, hotspot):
    """A 32 x 32 monochrome .cur from text rows: '#' black, '.' white, ' ' clear."""
    size = 32

    def at(x, y):
        return rows[y][x] if y < len(rows) and x < len(rows[y]) else " "

    xor, and_ = bytearray(), bytearray()
    for y in reversed(range(size)):
        xrow, arow = bytearray(4), bytearray(4)
        for x in range(size):
            c = at(x, y)
            bit = 0x80 >> (x % 8)
            if c == ".":
                xrow[x // 8] |= bit
            elif c == " ":
                arow[x // 8] |= bit
        xor += xrow
        and_ += arow
    image = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    image += bytes((0, 0, 0, 0, 255, 255, 255, 0)) + bytes(xor) + bytes(and_)
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 2, 0, hotspot[0], hotspot[1], len(image), 6 + 16)
    return header + entry + image


# The pointing hand of the two link labels: the tip of the index finger is the hot spot (5, 0).
LINK_HAND = [
    "     ##",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..###",
    "    #..#..###",
    "    #..#..#..###",
    "    #..#..#..#..#",
    " ## #..#..#..#..#",
    "#..##..........#",
    "#...#..........#",
    " #.............#",
    "  #............#",
    "  #............#",
    "   #..........#",
    "   #..........#",
    "    #........#",
    "    #........#",
    "    ##########",
]
LINK_HOTSPOT = (5, 0)


def _over(top, bottom):
    """Straight-alpha 'top over bottom' on (r, g, b, a) with components 0..1."""
    ta, ba = top[3], bottom[3]
    a = ta + ba * (1 - ta)
    if a == 0:
        return (0.0, 0.0, 0.0, 0.0)
    mix = [(top[i] * ta + bottom[i] * ba * (1 - ta)) / a for i in range(3)]
    return (mix[0], mix[1], mix[2], a)


def _render(size, scene):
    """scene(u, v) -> (r, g, b, a) in 0..1 over the unit square; sampled n x n per pixel."""
    n = 4 if size <= 48 else 2
    cache = {}

    def pixel(x, y):
        if (x, y) not in cache:
            acc = [0.0, 0.0, 0.0, 0.0]
            for j in range(n):
                for i in range(n):
                    r, g, b, a = scene((x + (i + 0.5) / n) / size, (y + (j + 0.5) / n) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            a = acc[3] / (n * n)
            if a <= 0:
                cache[(x, y)] = (0, 0, 0, 0)
            else:
                cache[(x, y)] = tuple(round(c / acc[3] * 255) for c in acc[:3]) + (round(a * 255),)
        return cache[(x, y)]

    return pixel


def _rgb(hex_colour, alpha=1.0):
    return (int(hex_colour[0:2], 16) / 255, int(hex_colour[2:4], 16) / 255, int(hex_colour[4:6], 16) / 255, alpha)


CLEAR = (0.0, 0.0, 0.0, 0.0)


def _in_rounded(u, v, left, top, right, bottom, radius):
    cx = min(max(u, left + radius), right - radius)
    cy = min(max(v, top + radius), bottom - radius)
    return left <= u <= right and top <= v <= bottom and (u - cx) ** 2 + (v - cy) ** 2 <= radius ** 2


def _near_segment(u, v, a, b, width):
    (x1, y1), (x2, y2) = a, b
    dx, dy = x2 - x1, y2 - y1
    t = max(0.0, min(1.0, ((u - x1) * dx + (v - y1) * dy) / (dx * dx + dy * dy)))
    return math.hypot(u - (x1 + t * dx), v - (y1 + t * dy)) <= width / 2


def _in_polygon(u, v, points):
    inside = False
    for (x1, y1), (x2, y2) in zip(points, points[1:] + points[:1]):
        if (y1 > v) != (y2 > v) and u < x1 + (v - y1) * (x2 - x1) / (y2 - y1):
            inside = not inside
    return inside


def program_scene(u, v):
    """The program's icon: a letter on a blue tile, with an orange arrow carrying it on."""
    colour = CLEAR
    if _in_rounded(u, v, 0.04, 0.04, 0.96, 0.96, 0.18):
        shade = 0.15 * v
        colour = (0.12 + shade * 0.3, 0.36 + shade * 0.5, 0.78 + shade * 0.3, 1.0)
    if 0.17 <= u <= 0.76 and 0.26 <= v <= 0.70:
        paper = _rgb("FFFFFF")
        if u < 0.20 or u > 0.73 or v < 0.29 or v > 0.67:
            paper = _rgb("2A4E8C")
        elif _near_segment(u, v, (0.20, 0.30), (0.465, 0.50), 0.05) or \
                _near_segment(u, v, (0.73, 0.30), (0.465, 0.50), 0.05):
            paper = _rgb("2A4E8C")
        colour = _over(paper, colour)
    arrow = [(0.52, 0.66), (0.72, 0.66), (0.72, 0.58), (0.90, 0.74), (0.72, 0.90), (0.72, 0.82), (0.52, 0.82)]
    if _in_polygon(u, v, arrow):
        colour = _over(_rgb("F39A1E"), colour)
    return colour


def browse_scene(u, v):
    """A yellow folder, open for choosing."""
    colour = CLEAR
    outline = _rgb("8A5A00")
    if _in_rounded(u, v, 0.06, 0.16, 0.46, 0.36, 0.05):
        colour = outline if v < 0.20 or u < 0.10 or u > 0.42 else _rgb("E8B030")
    if _in_rounded(u, v, 0.06, 0.26, 0.94, 0.86, 0.06):
        inner = 0.10 <= u <= 0.90 and 0.30 <= v <= 0.82
        colour = _rgb("F6C445") if inner else outline
    front = [(0.20, 0.46), (0.98, 0.46), (0.86, 0.86), (0.06, 0.86)]
    if _in_polygon(u, v, front):
        inner = _in_polygon(u, v, [(0.235, 0.50), (0.925, 0.50), (0.83, 0.82), (0.115, 0.82)])
        colour = _rgb("FFD96A") if inner else outline
    return colour


def advance_scene(u, v):
    """A lightning flash: the cut that digs deeper."""
    bolt = [(0.58, 0.04), (0.18, 0.56), (0.46, 0.56), (0.34, 0.96), (0.82, 0.38), (0.54, 0.38), (0.70, 0.04)]
    inner = [(0.585, 0.12), (0.29, 0.50), (0.545, 0.50), (0.46, 0.80), (0.71, 0.44), (0.45, 0.44), (0.615, 0.12)]
    if _in_polygon(u, v, inner):
        return _rgb("FFD23C")
    if _in_polygon(u, v, bolt):
        return _rgb("B06A00")
    return CLEAR


PROGRAM_ICON_SIZES = [32, 16, 20, 24, 40, 48, 60, 64, 72, 96, 128, 256]
BROWSE_ICON_SIZES = [24, 16, 32, 36, 48]
ADVANCE_ICON_SIZES = [16, 20, 24, 32, 48]


def write_program_images(folder):
    folder.mkdir(parents=True, exist_ok=True)
    for name, scene, sizes in (("quillmere.ico", program_scene, PROGRAM_ICON_SIZES),
                               ("browse.ico", browse_scene, BROWSE_ICON_SIZES),
                               ("advance.ico", advance_scene, ADVANCE_ICON_SIZES)):
        (folder / name).write_bytes(multi_icon_file([(n, _render(n, scene)) for n in sizes]))
    (folder / "link.cur").write_bytes(mono_cursor_file(LINK_HAND, LINK_HOTSPOT))


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--program":
        write_program_images(Path(sys.argv[2]))
    elif len(sys.argv) == 2:
        write_test_images(Path(sys.argv[1]))
    else:
        sys.exit(__doc__)
