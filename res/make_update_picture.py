#!/usr/bin/env python3
"""Draws the pictures of the update: update_picture.bmp on the left of the
updater's dialog (130 x 334, the size of its place there under Wine; the
dialog stretches it to its place elsewhere), installer_side.bmp on the installer's welcome
and finish pages (164 x 314): a blue band with a cloud and an arrow coming
down from it into a tray.  Run from this folder.

24-bit bitmap (a dialog's picture control shows no alpha); shapes are
signed-distance functions sampled 4 x 4 per pixel for smooth edges.
"""
import math
import struct

SS = 4
W, H = 150, 290  # the drawing's own units; scaled to each picture


def box(px, py, x0, y0, x1, y1, r=0.0):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r
    dx, dy = abs(px - cx) - hx, abs(py - cy) - hy
    return math.hypot(max(dx, 0), max(dy, 0)) + min(max(dx, dy), 0) - r


def circle(px, py, cx, cy, r):
    return math.hypot(px - cx, py - cy) - r


def triangle_down(px, py, cx, top, half, height):
    """A downward triangle: apex at (cx, top + height)."""
    # Inside when below the top edge and above both slanted edges.
    edge = max(top - py, (abs(px - cx) * height / half + (py - top)) - height)
    return edge


def cloud(x, y):
    return min(circle(x, y, 58, 92, 22), circle(x, y, 84, 82, 28), circle(x, y, 106, 96, 18),
               box(x, y, 40, 92, 122, 114, 11))


def layers(x, y):
    white = (250, 252, 255)
    pale = (200, 222, 248)
    orange = (240, 150, 50)
    return [
        (cloud(x, y), white),
        (box(x, y, 74, 100, 94, 150, 3), orange),
        (triangle_down(x, y, 84, 146, 22, 24), orange),
        (box(x, y, 40, 186, 128, 196, 3), pale),
        (box(x, y, 40, 168, 50, 196, 3), pale),
        (box(x, y, 118, 168, 128, 196, 3), pale),
    ]


def background(t):
    """Top (0) to bottom (1) of the picture."""
    top, bottom = (44, 92, 160), (22, 48, 96)
    return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))


def pixel(px, py, scale, shift, height):
    total = [0.0, 0.0, 0.0]
    for sy in range(SS):
        for sx in range(SS):
            x, y = (px + (sx + 0.5) / SS) / scale, (py + (sy + 0.5) / SS) / scale - shift
            colour = background((py + (sy + 0.5) / SS) / height)
            for distance, fill in layers(x, y):
                if distance <= 0:
                    colour = fill
            for i in range(3):
                total[i] += colour[i]
    return tuple(round(c / (SS * SS)) for c in total)


def write_bmp(path, width, height):
    scale = width / W
    shift = (height / scale - H) / 2  # the drawing in the middle, top to bottom
    row = (width * 3 + 3) & ~3
    data = bytearray()
    for py in range(height - 1, -1, -1):  # bottom-up
        line = bytearray()
        for px in range(width):
            r, g, b = pixel(px, py, scale, shift, height)
            line += bytes((b, g, r))
        line += b"\0" * (row - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


if __name__ == "__main__":
    write_bmp("update_picture.bmp", 130, 334)
    write_bmp("installer_side.bmp", 164, 314)
