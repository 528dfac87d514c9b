#!/usr/bin/env python3
"""Draws the 16 x 16 header icons of the options dialog's pages.

Run from this folder: python3 make_option_icons.py.  Writes
option_basic.ico (sliders), option_syntax.ico (code braces),
option_data.ico (a database drum), option_update.ico (a round arrow) and
option_about.ico (an "i" in a circle): 32-bit BGRA with an AND mask, each
shape supersampled 4 x 4 so that its edges are smooth.
"""
import math
import struct

SIZE = 16
SAMPLES = 4

BLUE = (44, 104, 178)
LIGHT_BLUE = (120, 170, 225)
GREEN = (46, 150, 84)
ORANGE = (226, 132, 36)
GREY = (96, 104, 116)
WHITE = (255, 255, 255)


def in_round_rect(u, v, left, top, right, bottom, radius):
    if not (left <= u <= right and top <= v <= bottom):
        return False
    dx = max(left + radius - u, 0, u - (right - radius))
    dy = max(top + radius - v, 0, v - (bottom - radius))
    return math.hypot(dx, dy) <= radius


def near_segment(u, v, a, b, width):
    (ax, ay), (bx, by) = a, b
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((u - ax) * vx + (v - ay) * vy) / (vx * vx + vy * vy)))
    return math.hypot(u - (ax + t * vx), v - (ay + t * vy)) <= width / 2


def basic(u, v):
    """Three slider rails with their knobs at different places."""
    for rail, knob in ((3.5, 10.5), (8, 5), (12.5, 9)):
        if math.hypot(u - knob, v - rail) <= 2.1:
            return BLUE
        if 1.5 <= u <= 14.5 and abs(v - rail) <= 0.7:
            return GREY
    return None


def syntax(u, v):
    """Braces around a dot: code."""
    strokes = [((5.5, 2.5), (3.5, 4.5)), ((3.5, 4.5), (3.5, 7)), ((3.5, 7), (1.8, 8)), ((1.8, 8), (3.5, 9)),
               ((3.5, 9), (3.5, 11.5)), ((3.5, 11.5), (5.5, 13.5))]
    for a, b in strokes:
        if near_segment(u, v, a, b, 1.6) or near_segment(u, v, (16 - a[0], a[1]), (16 - b[0], b[1]), 1.6):
            return GREEN
    if math.hypot(u - 8, v - 8) <= 1.6:
        return ORANGE
    return None


def data(u, v):
    """A drum of three discs."""
    def ellipse(cy):
        return ((u - 8) / 6.2) ** 2 + ((v - cy) / 2.2) ** 2
    if ellipse(3.6) <= 1:
        return LIGHT_BLUE if ellipse(3.6) <= 0.55 else BLUE
    if 1.8 <= u <= 14.2 and 3.6 <= v <= 12.4:
        for band in (7.3, 10.2):
            if abs(ellipse(band) - 1) < 0.25 and v > band:
                return LIGHT_BLUE
        return BLUE
    if ellipse(12.4) <= 1:
        return BLUE
    return None


def update(u, v):
    """A round arrow turning clockwise."""
    r = math.hypot(u - 8, v - 8.5)
    angle = math.degrees(math.atan2(v - 8.5, u - 8)) % 360
    if 4.0 <= r <= 6.2 and not (265 <= angle <= 335):
        return GREEN
    # The arrow head at the gap's start, pointing along the turn.
    tip, left, right = (10.2, 1.2), (5.6, 2.4), (9.2, 5.8)
    def side(p, a, b):
        return (b[0] - a[0]) * (p[1] - a[1]) - (b[1] - a[1]) * (p[0] - a[0])
    p = (u, v)
    s1, s2, s3 = side(p, tip, left), side(p, left, right), side(p, right, tip)
    if (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0):
        return GREEN
    return None


def about(u, v):
    """A white "i" on a blue disc."""
    r = math.hypot(u - 8, v - 8)
    if r > 7.3:
        return None
    if math.hypot(u - 8, v - 4.6) <= 1.25:
        return WHITE
    if 7.0 <= u <= 9.0 and 6.6 <= v <= 12.2:
        return WHITE
    return BLUE


def pixel(shape, x, y):
    """(r, g, b, a): the shape's colour averaged over the pixel's samples."""
    hits = []
    for i in range(SAMPLES):
        for j in range(SAMPLES):
            c = shape(x + (i + 0.5) / SAMPLES, y + (j + 0.5) / SAMPLES)
            if c:
                hits.append(c)
    if not hits:
        return (0, 0, 0, 0)
    alpha = len(hits) * 255 // (SAMPLES * SAMPLES)
    colour = tuple(sum(c[k] for c in hits) // len(hits) for k in range(3))
    return colour + (alpha,)


def icon(shape):
    pixels = [[pixel(shape, x, y) for x in range(SIZE)] for y in range(SIZE)]
    xor = b"".join(struct.pack("BBBB", b, g, r, a) for row in reversed(pixels) for (r, g, b, a) in row)
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(4)  # rows of the AND mask are padded to 32 bits
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    data = header + xor + bytes(mask)
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(data), 22) + data


def main():
    for name, shape in (("basic", basic), ("syntax", syntax), ("data", data), ("update", update),
                        ("about", about)):
        with open(f"option_{name}.ico", "wb") as f:
            f.write(icon(shape))


if __name__ == "__main__":
    main()
