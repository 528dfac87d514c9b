#!/usr/bin/env python3
"""Draws the program's bitmaps.  Run from this folder.

- toolbar.bmp: six 48 x 48 toolbar buttons in a row (save, save all,
  compact, options, help, about);
- busy_block.bmp: one block of the busy dialog's progress bar;
- tree_folder.bmp, tree_text.bmp: 16 x 16 tree icons on black (transparent);
- tree_tools.bmp: the tree tool strip's buttons (new text, new folder, delete);
- attach_kinds.bmp: the attachment list's two 16 x 16 images on white
  (transparent): a stored attachment, a linked one.

Shapes are signed-distance functions, sampled 4 x 4 per pixel for smooth
edges; images are 32-bit BGRA bitmaps with premultiplied-free alpha.
"""
import math
import struct

SS = 4  # samples per pixel per axis


def box(px, py, x0, y0, x1, y1, r=0.0):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r
    dx, dy = abs(px - cx) - hx, abs(py - cy) - hy
    return math.hypot(max(dx, 0), max(dy, 0)) + min(max(dx, dy), 0) - r


def circle(px, py, cx, cy, r):
    return math.hypot(px - cx, py - cy) - r


def ring(px, py, cx, cy, r, w):
    return abs(math.hypot(px - cx, py - cy) - r) - w / 2


def seg(px, py, ax, ay, bx, by, w):
    vx, vy = bx - ax, by - ay
    t = max(0, min(1, ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)))
    return math.hypot(px - ax - vx * t, py - ay - vy * t) - w / 2


# Palette
NAVY = (36, 72, 128)
BLUE = (58, 118, 196)
SKY = (120, 170, 225)
PAPER = (246, 246, 240)
STEEL = (190, 198, 210)
DARK = (40, 48, 60)
ORANGE = (236, 140, 40)
GREEN = (70, 160, 90)
HOLE = (0, 0, 0, 0)  # a layer that cuts through everything below it


def floppy(x, y, ox=0.0, oy=0.0, s=1.0):
    """Layers (distance, colour) of a floppy disk in a 48-box, moved/scaled."""
    x, y = (x - ox) / s, (y - oy) / s
    return [
        (box(x, y, 6, 6, 42, 42, 4) * s, NAVY),
        (box(x, y, 9, 9, 39, 39, 2.5) * s, BLUE),
        (box(x, y, 13, 7, 35, 19, 1.5) * s, STEEL),
        (box(x, y, 28, 9, 32, 17, 0.5) * s, DARK),
        (box(x, y, 12, 25, 36, 41, 1.5) * s, PAPER),
        (box(x, y, 15, 29, 33, 30.5) * s, SKY),
        (box(x, y, 15, 33, 33, 34.5) * s, SKY),
    ]


def icon_save(x, y):
    return floppy(x, y)


def icon_save_all(x, y):
    back = floppy(x, y, -2, -4, 0.78)
    front = floppy(x, y, 12, 12, 0.78)
    return back + front


def icon_compact(x, y):
    layers = []
    # A database cylinder.
    for top in (10, 20, 30):
        layers.append((max(abs(x - 24) - 14, abs(y - (top + 4.5)) - 4.5), BLUE))
        layers.append((math.hypot((x - 24) / 14, (y - top) / 4) * 4 - 4, SKY))
    layers.append((math.hypot((x - 24) / 14, (y - 39) / 4) * 4 - 4, BLUE))
    # Arrows pressing from both sides.
    for sgn in (-1, 1):
        bx = 24 + sgn * 21
        layers.append((seg(x, y, bx, 24, bx - sgn * 7, 24, 3.5), ORANGE))
        head = min(seg(x, y, bx - sgn * 9, 24, bx - sgn * 4, 19, 3.5),
                   seg(x, y, bx - sgn * 9, 24, bx - sgn * 4, 29, 3.5))
        layers.append((head, ORANGE))
    return layers


def icon_options(x, y):
    a = math.atan2(y - 24, x - 24)
    r = math.hypot(x - 24, y - 24)
    teeth = 16 + 4.5 * (1 if math.cos(8 * a) > 0.2 else 0)
    gear = r - teeth
    grey = (96, 108, 124)
    return [(gear, grey), (r - 14.5, STEEL), (r - 6, grey), (r - 3.5, HOLE)]


def icon_help(x, y):
    layers = [(circle(x, y, 24, 24, 20), BLUE), (circle(x, y, 24, 24, 17.5), SKY), (circle(x, y, 24, 24, 16.5), BLUE)]
    # "?": an arc, a stem and a dot.
    a = math.atan2(y - 18, x - 24)
    arc = ring(x, y, 24, 18, 6.5, 4)
    if not (a < math.radians(100) or a > math.radians(170)) or (math.radians(60) < a < math.radians(100)):
        arc = max(arc, 0.8)
    q = min(arc, seg(x, y, 27.5, 23.5, 24, 27, 4), seg(x, y, 24, 27, 24, 29.5, 4), circle(x, y, 24, 35, 2.6))
    layers.append((q, PAPER))
    return layers


def icon_about(x, y):
    layers = [(circle(x, y, 24, 24, 20), GREEN), (circle(x, y, 24, 24, 17.5), (150, 205, 160)),
              (circle(x, y, 24, 24, 16.5), GREEN)]
    i = min(circle(x, y, 24, 14.5, 2.8), box(x, y, 21.5, 20, 26.5, 35, 1.2), box(x, y, 19, 33, 29, 35.5, 1))
    layers.append((i, PAPER))
    return layers


def render(draw, size):
    """Rows of (r, g, b, a), top to bottom."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SS):
                for sx in range(SS):
                    x = px + (sx + 0.5) / SS
                    y = py + (sy + 0.5) / SS
                    col, alpha = (0, 0, 0), 0.0
                    for d, c in draw(x, y):
                        if d <= 0:
                            if c == HOLE:
                                col, alpha = (0, 0, 0), 0.0
                            else:
                                col, alpha = c, 1.0
                    acc[0] += col[0] * alpha
                    acc[1] += col[1] * alpha
                    acc[2] += col[2] * alpha
                    acc[3] += alpha
            n = SS * SS
            a = acc[3] / n
            if a > 0:
                row.append((acc[0] / acc[3], acc[1] / acc[3], acc[2] / acc[3], a))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def write_bmp(path, rows):
    h, w = len(rows), len(rows[0])
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        for r, g, b, a in row:
            pixels += bytes((int(b + 0.5), int(g + 0.5), int(r + 0.5), int(a * 255 + 0.5)))
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 32, 0, len(pixels), 2835, 2835, 0, 0)
    filehdr = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(pixels), 0, 0, 14 + len(header))
    with open(path, "wb") as f:
        f.write(filehdr + header + pixels)


def write_bmp_on(path, rows, mask):
    """24-bit bitmap for an image list that takes `mask` (0 black or 255 white)
    as the transparent colour; drawn pixels are kept one step off it."""
    h, w = len(rows), len(rows[0])
    stride = (w * 3 + 3) & ~3
    keep_off = (lambda v: max(1, int(v))) if mask == 0 else (lambda v: min(254, int(v)))
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b, a in row:
            line += bytes((mask, mask, mask)) if a < 0.5 else bytes((keep_off(b), keep_off(g), keep_off(r)))
        pixels += line + bytes(stride - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    filehdr = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(pixels), 0, 0, 14 + len(header))
    with open(path, "wb") as f:
        f.write(filehdr + header + pixels)


# 16 x 16 images of the tree and its tool strip.
YELLOW = (240, 196, 80)
AMBER = (200, 150, 40)
RED = (200, 60, 50)


def small_folder(x, y):
    return [(box(x, y, 1, 3, 8, 6, 1), AMBER), (box(x, y, 1, 4.5, 15, 14, 1), AMBER),
            (box(x, y, 2, 6, 14, 13, 0.5), YELLOW)]


def small_text(x, y):
    return [(box(x, y, 3, 1, 13, 15, 0.8), (110, 120, 135)), (box(x, y, 4, 2, 12, 14, 0.3), PAPER),
            (box(x, y, 5.5, 4.5, 10.5, 5.5), SKY), (box(x, y, 5.5, 7.5, 10.5, 8.5), SKY),
            (box(x, y, 5.5, 10.5, 9, 11.5), SKY)]


def plus(x, y, cx, cy):
    return [(circle(x, y, cx, cy, 4.2), GREEN),
            (min(box(x, y, cx - 2.6, cy - 0.7, cx + 2.6, cy + 0.7), box(x, y, cx - 0.7, cy - 2.6, cx + 0.7, cy + 2.6)),
             PAPER)]


def strip_new_text(x, y):
    return small_text(x - 1, y) + plus(x, y, 11.5, 11.5)


def strip_new_folder(x, y):
    return small_folder(x + 0.5, y) + plus(x, y, 11.5, 11.5)


def strip_delete(x, y):
    return [(min(seg(x, y, 3.5, 3.5, 12.5, 12.5, 2.6), seg(x, y, 12.5, 3.5, 3.5, 12.5, 2.6)), RED)]


def page_with_fold(x, y):
    """A sheet with a folded corner, on the left of a 16-box."""
    sheet = max(box(x, y, 2, 1, 12, 15, 0.6), (x - 12) + (1 - y) + 4)  # corner cut off
    inner = max(box(x, y, 3, 2, 11, 14, 0.2), (x - 11) + (2 - y) + 4)
    return [(sheet, (110, 120, 135)), (inner, PAPER), (seg(x, y, 8, 1.5, 11.5, 5, 1.2), (110, 120, 135))]


def attach_stored(x, y):
    # The sheet with a database drum in front: kept inside the library.
    drum_side = max(abs(x - 11) - 4, abs(y - 10.5) - 3)
    return page_with_fold(x, y) + [
        (drum_side, BLUE), (math.hypot((x - 11) / 4, (y - 13.5) / 1.5) * 1.5 - 1.5, BLUE),
        (math.hypot((x - 11) / 4, (y - 7.5) / 1.5) * 1.5 - 1.5, SKY)]


def attach_linked(x, y):
    # The sheet with two chain links in front: only the path is kept.
    return page_with_fold(x, y) + [
        (ring(x, y, 9, 12, 2.6, 1.5), ORANGE), (ring(x, y, 12.5, 9.5, 2.6, 1.5), (205, 110, 20))]


def main():
    icons = [icon_save, icon_save_all, icon_compact, icon_options, icon_help, icon_about]
    strips = [render(i, 48) for i in icons]
    rows = [sum((s[y] for s in strips), []) for y in range(48)]
    write_bmp("toolbar.bmp", rows)

    def block(x, y):
        return [(box(x, y, 0, 0, 9, 14, 1.5), NAVY), (box(x, y, 1, 1, 8, 13, 1), BLUE), (box(x, y, 2, 2, 7, 6, 1), SKY)]
    write_bmp("busy_block.bmp", [row[:9] for row in render(block, 14)])

    write_bmp_on("tree_folder.bmp", render(small_folder, 16), 0)
    write_bmp_on("tree_text.bmp", render(small_text, 16), 0)
    strip = [render(i, 16) for i in (strip_new_text, strip_new_folder, strip_delete)]
    write_bmp("tree_tools.bmp", [sum((s[y] for s in strip), []) for y in range(16)])
    kinds = [render(i, 16) for i in (attach_stored, attach_linked)]
    write_bmp_on("attach_kinds.bmp", [sum((s[y] for s in kinds), []) for y in range(16)], 255)


if __name__ == "__main__":
    main()
