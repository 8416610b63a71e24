#!/usr/bin/env python3
"""Draws the three button icons as white shapes on a transparent ground, to sit
on the window's black buttons. Writes 8-bit RGBA, non-interlaced PNGs beside
this script. Needs only Python's standard library; the output is the same on
every run, so the PNGs in the repository can always be remade:

    python3 app/resources/draw_icons.py
"""

import math
import os
import struct
import zlib

SUBSAMPLES = 4  # per axis; enough to smooth the edges of a 14-pixel icon


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def strokes(segments, width):
    """A shape made of straight strokes with round ends."""
    def inside(x, y):
        return any(segment_distance(x, y, *s) <= width / 2 for s in segments)
    return inside


def rectangles(rects, holes=()):
    """A shape made of filled rectangles (x0, y0, x1, y1), less the holes."""
    def within(x, y, r):
        return r[0] <= x <= r[2] and r[1] <= y <= r[3]

    def inside(x, y):
        return any(within(x, y, r) for r in rects) and not any(within(x, y, h) for h in holes)
    return inside


def render(width, height, inside):
    """Coverage of each pixel by the shape, as white with that alpha."""
    rows = []
    for row in range(height):
        line = bytearray()
        for column in range(width):
            hits = 0
            for sy in range(SUBSAMPLES):
                for sx in range(SUBSAMPLES):
                    x = column + (sx + 0.5) / SUBSAMPLES
                    y = row + (sy + 0.5) / SUBSAMPLES
                    hits += inside(x, y)
            alpha = round(255 * hits / SUBSAMPLES ** 2)
            line += bytes((255, 255, 255, alpha))
        rows.append(bytes(line))
    return rows


def png(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    # Bit depth 8, colour type 6 (RGBA), deflate, adaptive filter, no interlace.
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


ICONS = {
    # A check mark.
    "okButton.png": (14, 13, strokes([(1.8, 7.0, 5.2, 10.6), (5.2, 10.6, 12.3, 2.2)], 2.2)),
    # A folder: a tab above a body, the flap's edge a line across it.
    "selectButton.png": (17, 14, rectangles(
        [(1.0, 1.0, 7.0, 3.0), (1.0, 3.0, 16.0, 13.0)],
        holes=[(2.0, 5.0, 15.0, 6.0)])),
    # A cross.
    "stopcanceButton.png": (11, 13, strokes([(1.8, 2.8, 9.2, 10.2), (9.2, 2.8, 1.8, 10.2)], 2.0)),
}


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    for name, (width, height, inside) in ICONS.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(png(width, height, render(width, height, inside)))


if __name__ == "__main__":
    main()
