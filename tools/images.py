#!/usr/bin/env python3
"""Writes small icon, cursor and bitmap files drawn from code, for resources.

    images.py OUTDIR     the test pictures: test24.ico, hand.cur, alpha16.bmp

Each picture is a function of (x, y) giving (red, green, blue, alpha); the
writers store it as 32-bit BGRA rows, bottom-up, as the formats want.
"""
import struct
import sys
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


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    write_test_images(Path(sys.argv[1]))
