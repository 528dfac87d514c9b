#!/usr/bin/env python3
"""Draws the program icon (a boat on ink-blue water) into jexmarlo.ico.

Run from this folder: python3 make_icon.py.  The .ico holds 16, 32 and 48
pixel images in 32-bit BGRA with an AND mask, readable by every Windows.
"""
import math
import struct


def pixel(size, x, y):
    """Colour (r, g, b, a) of pixel (x, y) of a size x size icon."""
    u, v = (x + 0.5) / size, (y + 0.5) / size
    # Rounded square background, deep ink blue to lighter at the top.
    r = 0.18
    dx = max(abs(u - 0.5) - (0.5 - r), 0)
    dy = max(abs(v - 0.5) - (0.5 - r), 0)
    if math.hypot(dx, dy) > r:
        return (0, 0, 0, 0)
    top = (52, 98, 158)
    bottom = (22, 48, 92)
    base = tuple(int(top[i] + (bottom[i] - top[i]) * v) for i in range(3))
    # Water: two light waves.
    for wy in (0.80, 0.88):
        if abs(v - (wy + 0.02 * math.sin(u * 12))) < 0.018:
            return (170, 205, 235, 255)
    # Hull: a trapezoid.
    if 0.62 <= v <= 0.74:
        t = (v - 0.62) / 0.12
        left, right = 0.16 + 0.10 * t, 0.84 - 0.10 * t
        if left <= u <= right:
            return (245, 240, 225, 255)
    # Mast and sail.
    if 0.48 <= u <= 0.52 and 0.18 <= v <= 0.62:
        return (245, 240, 225, 255)
    if 0.53 <= u and v <= 0.58 and v >= 0.22 and (u - 0.53) <= (v - 0.22) * 0.85:
        return (232, 92, 60, 255)
    return base + (255,)


def image(size):
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        rows.append(b"".join(struct.pack("BBBB", b, g, r, a) for (r, g, b, a) in
                             (pixel(size, x, y) for x in range(size))))
    xor = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        bits = bytearray(mask_row)
        for x in range(size):
            if pixel(size, x, y)[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + bytes(mask)


def main():
    sizes = [16, 32, 48]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open("jexmarlo.ico", "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main()
