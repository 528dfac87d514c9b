#!/usr/bin/env python3
"""Draws every image of the default skin into skins/default/.

    python3 skins/make_skin.py                 draw all images (from any folder)
    python3 skins/make_skin.py --check         verify the committed images and skin.ini
    python3 skins/make_skin.py --sheet F.png   also write a contact sheet (build output)

The skin is light grey-blue with the toolbar's blues as accents.  Shapes are
signed-distance functions (the toolbar script's, res/make_bitmaps.py, whose
toolbar and tree tool glyphs are reused as they are), sampled 4 x 4 per
pixel; the images are 8-bit RGBA PNG with straight alpha.  Fully transparent
pixels carry the colour of their nearest drawn neighbour so that stretching
never pulls black into an edge.

How jexUI reads the images:
- strip of N frames: frames of equal width separated by one-pixel gap
  columns, so W = N * frame width + N - 1;
- nine-grid: the drawn picture is cut into nine pieces; before each of the
  two cuts of an axis two columns (or rows) are inserted that are never
  drawn, the second of them carrying a marker pixel in MARKER colour in row
  0 (column 0 for rows).  A corner piece of p pixels gives a margin of p + 1.
- everything else is drawn at its natural size.

--check re-draws everything in memory and insists the files are byte for
byte what this script makes, re-reads each PNG and checks those rules, and
checks that skin.ini names every image with the mode its key loads.
"""
import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "default")
sys.dont_write_bytecode = True  # leave no cache files in res/
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "res"))
import make_bitmaps as tb  # noqa: E402  (toolbar shapes, palette and glyphs)

box, circle, seg = tb.box, tb.circle, tb.seg
SS = tb.SS

MARKER = (255, 0, 255, 255)  # MaskColor 16711935 in skin.ini

# Palette: the toolbar's, plus the greys and light blues of the controls.
INK = tb.DARK
NAVY, BLUE, SKY, WHITE = tb.NAVY, tb.BLUE, tb.SKY, (255, 255, 255)
GLYPH = (72, 84, 102)          # caption, combo and spin glyphs
LINE = (150, 163, 184)         # borders of buttons and boxes
LINE_SOFT = (190, 201, 216)    # separators, quiet borders
FOCUS = (72, 128, 204)         # border of a focused field
FOCUS_IN = (202, 221, 246)     # inner line of a focused field
FACE = ((255, 255, 255), (231, 236, 243))      # face gradient, top to bottom
HOVER = ((247, 251, 255), (214, 230, 249))
DOWN = ((193, 213, 239), (219, 232, 248))
HOVER_LINE = (112, 156, 214)
DOWN_LINE = (84, 128, 192)
RED, RED_DARK = (212, 74, 60), (168, 48, 38)
BG_TOP, BG = (219, 228, 240), (241, 244, 248)  # window background, top and body


def rgba(c, a=1.0):
    return (c[0], c[1], c[2], a * (c[3] / 255 if len(c) > 3 else 1.0))


def lerp(c0, c1, t):
    t = min(1.0, max(0.0, t))
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def vgrad(pair, y, y0, y1):
    return lerp(pair[0], pair[1], (y - y0) / (y1 - y0))


def union(*d):
    return min(d)


def cut(d, hole):
    return max(d, -hole)


# ---------------------------------------------------------------- images

class Image:
    """w x h pixels of straight-alpha (r, g, b, a), all 0 ... 255 integers."""

    def __init__(self, w, h, fill=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def copy(self):
        out = Image(self.w, self.h)
        out.px = [row[:] for row in self.px]
        return out

    def crop(self, x, y, w, h):
        out = Image(w, h)
        out.px = [row[x:x + w] for row in self.px[y:y + h]]
        return out

    def over(self, src, x0, y0):
        """Draws src over this image with its top-left corner at (x0, y0)."""
        for y in range(max(0, -y0), min(src.h, self.h - y0)):
            drow, srow = self.px[y + y0], src.px[y]
            for x in range(max(0, -x0), min(src.w, self.w - x0)):
                drow[x + x0] = blend(drow[x + x0], srow[x])
        return self

    def scaled(self, k):
        out = Image(self.w * k, self.h * k)
        out.px = [[p for p in row for _ in range(k)] for row in self.px for _ in range(k)]
        return out


def blend(d, s):
    sa, da = s[3] / 255, d[3] / 255
    a = sa + da * (1 - sa)
    if a <= 0:
        return (0, 0, 0, 0)
    return tuple(int((s[i] * sa + d[i] * da * (1 - sa)) / a + 0.5) for i in range(3)) + (int(a * 255 + 0.5),)


def paint(w, h, layers, ss=SS):
    """Renders layers(x, y) -> [(distance, (r, g, b, alpha 0..1)), ...]; later layers over earlier ones."""
    img = Image(w, h)
    n = ss * ss
    for py in range(h):
        row = img.px[py]
        for px in range(w):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(ss):
                for sx in range(ss):
                    r = g = b = a = 0.0  # premultiplied
                    for d, c in layers(px + (sx + 0.5) / ss, py + (sy + 0.5) / ss):
                        if d <= 0:
                            ca = c[3]
                            r, g, b = c[0] * ca + r * (1 - ca), c[1] * ca + g * (1 - ca), c[2] * ca + b * (1 - ca)
                            a = ca + a * (1 - ca)
                    acc[0] += r
                    acc[1] += g
                    acc[2] += b
                    acc[3] += a
            a = acc[3] / n
            if a > 0:
                row[px] = tuple(int(acc[i] / acc[3] + 0.5) for i in range(3)) + (int(a * 255 + 0.5),)
    return bleed(img)


def from_rows(rows):
    """An image from the toolbar script's rows of (r, g, b, alpha 0..1)."""
    img = Image(len(rows[0]), len(rows))
    for y, row in enumerate(rows):
        img.px[y] = [(int(r + 0.5), int(g + 0.5), int(b + 0.5), int(a * 255 + 0.5)) if a > 0 else (0, 0, 0, 0)
                     for r, g, b, a in row]
    return bleed(img)


def bleed(img):
    """Gives every fully transparent pixel the colour of its nearest drawn pixel, alpha staying 0."""
    known = [[p[3] > 0 for p in row] for row in img.px]
    frontier = True
    while frontier:
        frontier = []
        for y in range(img.h):
            for x in range(img.w):
                if known[y][x]:
                    continue
                near = [img.px[ny][nx] for nx, ny in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1))
                        if 0 <= nx < img.w and 0 <= ny < img.h and known[ny][nx]]
                if near:
                    frontier.append((x, y, tuple(sum(p[i] for p in near) // len(near) for i in range(3)) + (0,)))
        for x, y, p in frontier:
            img.px[y][x] = p
            known[y][x] = True
    return img


def strip(frames):
    """Frames side by side with a transparent one-pixel gap column between them."""
    fw, fh = frames[0].w, frames[0].h
    out = Image(len(frames) * (fw + 1) - 1, fh)
    for k, f in enumerate(frames):
        for y in range(fh):
            out.px[y][k * (fw + 1):k * (fw + 1) + fw] = f.px[y]
    return out


def nine_grid(img, piece):
    """Inserts the undrawn column pair (and row pair) before each cut of a picture whose
    corner pieces are `piece` pixels on every side, and sets the markers."""
    def split(seq, n):
        head, mid, tail = seq[:piece], seq[piece:n - piece], seq[n - piece:]
        return head + [mid[0], mid[0]] + mid + [mid[-1], mid[-1]] + tail
    rows = [split(row, img.w) for row in img.px]
    out = Image(img.w + 4, img.h + 4)
    out.px = [r[:] for r in split(rows, img.h)]
    out.px[0][piece + 1] = out.px[0][img.w - piece + 3] = MARKER
    out.px[piece + 1][0] = out.px[img.h - piece + 3][0] = MARKER
    out.picture = img  # kept for the check: the library must cut this back out
    return out


# ---------------------------------------------------------------- shapes

def face(w, h, r, line, fill, inset=0.0, glow=None):
    """Layers of a rounded face: a one-pixel border in `line` (or none) around a
    vertical gradient `fill` (a pair, optionally with an opacity), `inset` pixels
    (a number, or a pair across and down) in from the picture's edge; `glow` is an
    optional inner line colour."""
    ix, iy = inset if isinstance(inset, tuple) else (inset, inset)
    x0, y0, x1, y1 = ix, iy, w - ix, h - iy

    def layers(x, y):
        out = []
        if line is not None:
            out.append((box(x, y, x0, y0, x1, y1, r), rgba(line)))
            b = 1.0
        else:
            b = 0.0
        if glow is not None:
            out.append((box(x, y, x0 + b, y0 + b, x1 - b, y1 - b, max(r - b, 0)), rgba(glow)))
            b += 1.0
        if fill is not None:
            out.append((box(x, y, x0 + b, y0 + b, x1 - b, y1 - b, max(r - b, 0)),
                        rgba(vgrad(fill, y, y0, y1), fill[2] if len(fill) > 2 else 1.0)))
        return out
    return layers


def with_glyph(base, glyph, colour, alpha=1.0, dx=0.0, dy=0.0):
    """Base layers with a glyph (a distance function of x, y) over them."""
    def layers(x, y):
        return (base(x, y) if base else []) + [(glyph(x - dx, y - dy), rgba(colour, alpha))]
    return layers


def chevron(cx, cy, half, rise, width, down=True):
    s = 1 if down else -1
    return lambda x, y: union(seg(x, y, cx - half, cy - s * rise / 2, cx, cy + s * rise / 2, width),
                              seg(x, y, cx, cy + s * rise / 2, cx + half, cy - s * rise / 2, width))


def triangle(points):
    """Inside-negative function of a convex polygon given clockwise (y down)."""
    def d(x, y):
        out = -1e9
        for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
            ex, ey = bx - ax, by - ay
            out = max(out, ((x - ax) * ey - (y - ay) * ex) / math.hypot(ex, ey))
        return out
    return d


def cross(cx, cy, half, width):
    return lambda x, y: union(seg(x, y, cx - half, cy - half, cx + half, cy + half, width),
                              seg(x, y, cx + half, cy - half, cx - half, cy + half, width))


# ---------------------------------------------------------------- the images

def push_buttons():
    """Push buttons: 75 x 23 faces, radius 3, nine-grid with 4-pixel corners."""
    looks = {"normal": (LINE, FACE), "hover": (HOVER_LINE, HOVER), "down": (DOWN_LINE, DOWN)}
    return {"button_%s.png" % k: nine_grid(paint(75, 23, face(75, 23, 3, line, fill, 0.5)), 4)
            for k, (line, fill) in looks.items()}


def box_strip(shape, mark):
    """Check box / radio strip: box, box under the mouse, the mark alone; 15 x 15 frames."""
    def frame(line, fill):
        return lambda x, y: [(shape(x, y, 0), rgba(line)), (shape(x, y, 1), rgba(vgrad(fill, y, 1, 14)))]
    return strip([paint(15, 15, frame(LINE, FACE)), paint(15, 15, frame(HOVER_LINE, HOVER)),
                  paint(15, 15, lambda x, y: [(mark(x, y), rgba(lerp(BLUE, NAVY, (y - 4) / 8)))])])


def check_box():
    return box_strip(lambda x, y, i: box(x, y, 1 + i, 1 + i, 14 - i, 14 - i, 2.5 - i),
                     lambda x, y: union(seg(x, y, 4.2, 7.6, 6.6, 10.2, 2.1), seg(x, y, 6.6, 10.2, 11.0, 4.6, 2.1)))


def radio():
    return box_strip(lambda x, y, i: circle(x, y, 7.5, 7.5, 6.5 - i), lambda x, y: circle(x, y, 7.5, 7.5, 3.1))


def combo_button():
    """Drop button: rest, under the mouse, pressed, disabled; 17 x 20, the face 1 pixel in
    from the top, right and bottom so the combo's own outline stays visible."""
    def frame(line, fill, alpha=1.0):
        def layers(x, y):
            out = [(box(x, y, 0, 1, 16, 19, 2), rgba(line))] if line else []
            out.append((box(x, y, 1 if line else 0, 2, 15, 18, 1.5), rgba(vgrad(fill, y, 2, 18))))
            if not line:  # a quiet separator from the text
                out.append((box(x, y, 0, 4, 1, 16), rgba(LINE_SOFT)))
            return out
        return with_glyph(layers, chevron(8.5, 10.2, 3.2, 3.2, 1.7), GLYPH, alpha)
    return strip([paint(17, 20, frame(None, FACE)), paint(17, 20, frame(HOVER_LINE, HOVER)),
                  paint(17, 20, frame(DOWN_LINE, DOWN)), paint(17, 20, frame(None, ((246, 247, 249),) * 2, 0.4))])


def field_frames(w, h, piece, name):
    """Edit and search box frames: grey border at rest, blue with a light inner line when focused."""
    r = piece
    return {name % "normal": nine_grid(paint(w, h, face(w, h, r, LINE, (WHITE, WHITE))), piece),
            name % "focus": nine_grid(paint(w, h, face(w, h, r, FOCUS, (WHITE, WHITE), glow=FOCUS_IN)), piece)}


def background():
    """Window background, 4 x 720 drawn with vertical flip tiling: a cool band under the caption
    and toolbar easing into the body colour, flat below, so the flipped copy joins without a seam."""
    def layers(x, y):
        t = min(1.0, y / 110)
        return [(-1, rgba(lerp(BG_TOP, BG, t * t * (3 - 2 * t))))]
    return paint(4, 720, layers, ss=1)


CAPTION_GLYPHS = {
    "min": lambda x, y: box(x, y, 9.5, 11.5, 17.5, 13.0, 0.4),
    "max": lambda x, y: cut(box(x, y, 9.5, 4.5, 17.5, 12.5, 0.8), box(x, y, 10.8, 6.6, 16.2, 11.2)),
    "close": cross(13.5, 8.6, 3.7, 1.6),
}


def caption_box(kind):
    """Caption boxes, 27 x 18: rest (glyph only), under the mouse, pressed, and the
    glyph greyed for an inactive window.  The faces keep a pixel free on each side
    so that neighbouring boxes do not share a border."""
    glyph = CAPTION_GLYPHS[kind]
    hot = (RED, (RED, RED)) if kind == "close" else (HOVER_LINE, HOVER)
    down = (RED_DARK, (RED_DARK, RED_DARK)) if kind == "close" else (DOWN_LINE, DOWN)
    on_face = WHITE if kind == "close" else INK
    return strip([paint(27, 18, with_glyph(None, glyph, GLYPH)),
                  paint(27, 18, with_glyph(face(27, 18, 3.5, hot[0], hot[1], (1, 0.5)), glyph, on_face)),
                  paint(27, 18, with_glyph(face(27, 18, 3.5, down[0], down[1], (1, 0.5)), glyph, on_face, dy=0.5)),
                  paint(27, 18, with_glyph(None, glyph, GLYPH, 0.4))])


def spin_arrows():
    """Filled arrows for the spin buttons: 7 x 4 (up, down) and 4 x 7 (left, right)."""
    def arrow(points, w, h):
        return paint(w, h, lambda x, y: [(triangle(points)(x, y), rgba(GLYPH))])
    return {"spin_up.png": arrow([(0.3, 3.8), (3.5, 0.3), (6.7, 3.8)], 7, 4),
            "spin_down.png": arrow([(0.3, 0.2), (6.7, 0.2), (3.5, 3.7)], 7, 4),
            "spin_left.png": arrow([(3.8, 0.3), (3.8, 6.7), (0.3, 3.5)], 4, 7),
            "spin_right.png": arrow([(0.2, 0.3), (3.7, 3.5), (0.2, 6.7)], 4, 7)}


def tab_close():
    """Tab close mark, 14 x 14: grey cross; red disc under the mouse; darker disc pressed."""
    def disc(colour):
        return lambda x, y: [(circle(x, y, 7, 7, 6.5), rgba(colour))]
    mark = cross(7, 7, 2.6, 1.5)
    return strip([paint(14, 14, with_glyph(None, cross(7, 7, 3.0, 1.5), (118, 128, 146))),
                  paint(14, 14, with_glyph(disc(RED), mark, WHITE)),
                  paint(14, 14, with_glyph(disc(RED_DARK), mark, WHITE))])


TOOL_LOOKS = {"hover": ((150, 178, 218), (WHITE, (224, 236, 250), 0.85)),
              "down": (DOWN_LINE, ((184, 206, 236), (208, 224, 245), 0.95))}


def tool_face(w, h, r, look):
    line, fill = TOOL_LOOKS[look]
    return face(w, h, r, line, fill, 0.5)


def toolbar():
    icons = [tb.icon_save, tb.icon_save_all, tb.icon_compact, tb.icon_options, tb.icon_help, tb.icon_about]
    out = {"toolbar_icons.png": strip([from_rows(tb.render(i, 48)) for i in icons])}
    for look in TOOL_LOOKS:
        out["toolbar_%s.png" % look] = nine_grid(paint(48, 48, tool_face(48, 48, 5, look)), 5)
    out["toolbar_sep.png"] = paint(1, 44, lambda x, y: [(-1, rgba(LINE, math.sin(math.pi * y / 44) ** 0.6))], ss=1)
    return out


def tree_tools():
    """The tree tool strip's three push buttons, 24 x 22 at natural size, with the tree
    tool glyphs centred on them: flat at rest, a tool face under the mouse and pressed."""
    glyphs = {"newtext": tb.strip_new_text, "newfolder": tb.strip_new_folder, "delete": tb.strip_delete}
    out = {}
    for name, draw in glyphs.items():
        glyph = from_rows(tb.render(draw, 16))
        out["tree_%s_normal.png" % name] = bleed(Image(24, 22).over(glyph, 4, 3))
        for look in TOOL_LOOKS:
            shift = 1 if look == "down" else 0  # the glyph sinks when pressed
            base = paint(24, 22, tool_face(24, 22, 3, look))
            out["tree_%s_%s.png" % (name, look)] = bleed(base.over(glyph, 4 + shift, 3 + shift))
    return out


def nav_items():
    """Navigation list backgrounds at their size, 80 x 26: a light blue hover, and the
    selected item a deeper blue with an accent bar on its left."""
    hover = face(80, 26, 3, (186, 208, 238), ((241, 247, 254), (225, 237, 252)), 0.5)
    sel = face(80, 26, 3, (122, 160, 214), ((214, 230, 250), (189, 212, 243)), 0.5)

    def selected(x, y):
        return sel(x, y) + [(max(box(x, y, 1.5, 1.5, 4.0, 24.5), box(x, y, 1.5, 1.5, 78.5, 24.5, 2.5)), rgba(BLUE))]
    return {"nav_hover.png": nine_grid(paint(80, 26, hover), 4), "nav_down.png": nine_grid(paint(80, 26, selected), 4)}


def search_glyph():
    """Magnifier filling the 22 x 24 square right of the search field."""
    def layers(x, y):
        return [(circle(x, y, 10.0, 10.5, 4.6), rgba(SKY, 0.25)), (tb.ring(x, y, 10.0, 10.5, 5.2, 1.8), rgba(GLYPH)),
                (seg(x, y, 13.9, 14.4, 17.6, 18.1, 2.6), rgba(GLYPH))]
    return paint(22, 24, layers)


def build():
    """File name -> Image, for every image of the skin."""
    images = {}
    images.update(push_buttons())
    images["check.png"] = check_box()
    images["radio.png"] = radio()
    images["combo_button.png"] = combo_button()
    images.update(field_frames(12, 12, 2, "textbox_%s.png"))
    images["background.png"] = background()
    for kind in CAPTION_GLYPHS:
        images["caption_%s.png" % kind] = caption_box(kind)
    images.update(spin_arrows())
    images["tab_close.png"] = tab_close()
    images.update(toolbar())
    images.update(tree_tools())
    images.update(nav_items())
    images.update(field_frames(20, 32, 3, "search_%s.png"))
    images["search_glyph.png"] = search_glyph()
    return images


# ---------------------------------------------------------------- PNG

def png_bytes(img):
    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in img.px)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", img.w, img.h, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def read_png(path):
    """8-bit RGBA PNG -> Image (the kind this script writes)."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat = 8, b""
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            w, h, depth, ctype = struct.unpack(">IIBB", body[:10])
            assert (depth, ctype) == (8, 6), "%s: not 8-bit RGBA" % path
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
        pos += 12 + n
    raw, stride, prev, img = zlib.decompress(idat), w * 4, bytearray(w * 4), Image(w, h)
    for y in range(h):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a, b, c = (line[i - 4] if i >= 4 else 0), prev[i], (prev[i - 4] if i >= 4 else 0)
            pred = [0, a, b, (a + b) // 2, paeth(a, b, c)][f]
            line[i] = (line[i] + pred) & 255
        img.px[y] = [tuple(line[i:i + 4]) for i in range(0, stride, 4)]
        prev = line
    return img


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else (b if pb <= pc else c)


# ---------------------------------------------------------------- loading rules (as jexUI reads them)

def strip_frames(img, n):
    fw = (img.w - n + 1) // n
    return [img.crop(k * (fw + 1), 0, fw, img.h) for k in range(n)]


def markers(values):
    return [i for i, p in enumerate(values) if p[:3] == MARKER[:3]]


def nine_grid_margins(img):
    xs, ys = markers(img.px[0]), markers([row[0] for row in img.px])
    x1, x2 = (xs + [0, 0])[:2]
    y1, y2 = (ys + [0, 0])[:2]
    return max(x1, img.w - x2), max(y1, img.h - y2), xs, ys


def nine_grid_at(img, w, h):
    """The nine-grid image stretched to w x h the way the library cuts it (nearest-pixel stretch)."""
    xs, ys = markers(img.px[0])[:2], markers([row[0] for row in img.px])[:2]

    def spans(m, size, full):
        src = [(0, m[0] - 1), (m[0] + 1, m[1] - 1), (m[1] + 1, full)]
        a, c = src[0][1] - src[0][0], src[2][1] - src[2][0]
        return list(zip(src, [(0, a), (a, size - c), (size - c, size)]))
    out = Image(w, h)
    for (sy0, sy1), (dy0, dy1) in spans(ys, h, img.h):
        for (sx0, sx1), (dx0, dx1) in spans(xs, w, img.w):
            for y in range(dy0, dy1):
                sy = sy0 + (y - dy0) * (sy1 - sy0) // (dy1 - dy0)
                for x in range(dx0, dx1):
                    out.px[y][x] = img.px[sy][sx0 + (x - dx0) * (sx1 - sx0) // (dx1 - dx0)]
    return out


# ---------------------------------------------------------------- skin.ini

# The sections and keys jexUI reads, with the loading mode of each image key:
# ("strip", N) - N from the number or from the section's `states`;
# ("grid", mask key); "scaled".
IMAGE_KEYS = {
    "Button": {"NormalImg": "button", "HoverImg": "button", "DownImg": "button"},
    "CheckBox": {"StateImgs": ("strip", 3)}, "Radio": {"StateImgs": ("strip", 3)},
    "ComboBox": {"StateImgs": ("strip", 4)},
    "TextBox": {"NormalImg": "grid", "FocusImg": "grid"},
    "Dialog": {"BkgndImg": "scaled", "MinBoxImg": ("strip", 4), "MaxBoxImg": ("strip", 4),
               "CloseBoxImg": ("strip", 4)},
    "SpinButton": {"UpImg": "scaled", "DownImg": "scaled", "LeftImg": "scaled", "RightImg": "scaled"},
    "TabCtrl": {"CloseImg": ("strip", 3)},
    "ToolBar": {"IconImg": ("strip", "states"), "HoverImg": "grid", "DownImg": "grid", "SepImg": "scaled"},
    "NavCtrl": {"HoverImg": "grid", "DownImg": "grid"},
    "SearchBox": {"NormalImg": "grid", "FocusImg": "grid", "SearchImg": "scaled"},
}
IMAGE_KEYS["FrameWnd"] = IMAGE_KEYS["Dialog"]
OTHER_KEYS = {
    "Button": ["MaskColor", "HoverTime"], "CheckBox": ["CheckStyle", "HoverTime"],
    "Radio": ["CheckStyle", "HoverTime"], "GroupBox": ["FrameColor", "TextColor"], "Other": ["HoverTime"],
    "ComboBox": [], "TextBox": ["MaskColor", "HoverTime"], "Dialog": ["WrapMode", "HoverTime"],
    "FrameWnd": ["WrapMode", "HoverTime"],
    "HeaderCtrl": ["NormalTopColor", "NormalBottomColor", "HoverTopColor", "HoverBottomColor", "DownTopColor",
                   "DownBottomColor"],
    "SpinButton": ["NormalTopColor", "NormalBottomColor", "DownTopColor", "DownBottomColor", "Radius"],
    "StatusBar": ["NormalTopColor", "NormalBottomColor"],
    "TabCtrl": ["BkColor", "NormalTopColor", "NormalBottomColor", "HoverTopColor", "HoverBottomColor",
                "DownTopColor", "Radius"],
    "ToolBar": ["states", "MaskColor", "HoverTime"], "NavCtrl": ["MaskColor", "HoverTime"],
    "SearchBox": ["MaskColor", "HoverTime"],
}
# What each image must look like once cut: strip frame size, or nine-grid margins.
EXPECT = {"check.png": (15, 15), "radio.png": (15, 15), "combo_button.png": (17, 20), "tab_close.png": (14, 14),
          "caption_min.png": (27, 18), "caption_max.png": (27, 18), "caption_close.png": (27, 18),
          "toolbar_icons.png": (48, 48),
          "search_normal.png": ("margins", 4, 4), "search_focus.png": ("margins", 4, 4),
          "textbox_normal.png": ("margins", 3, 3), "textbox_focus.png": ("margins", 3, 3),
          "button_normal.png": ("margins", 5, 5), "button_hover.png": ("margins", 5, 5),
          "button_down.png": ("margins", 5, 5), "nav_hover.png": ("margins", 5, 5), "nav_down.png": ("margins", 5, 5),
          "toolbar_hover.png": ("margins", 6, 6), "toolbar_down.png": ("margins", 6, 6)}


def is_grid(name):
    return EXPECT.get(name, ("",))[0] == "margins"


def read_ini(path):
    """{section lower-case: (name, {key lower-case: value})}, the way the profile functions match names."""
    raw = open(path, "rb").read()
    raw.decode("ascii")
    sections, cur = {}, None
    for line in raw.decode("ascii").splitlines():
        line = line.strip()
        if not line or line.startswith(";"):
            continue
        if line.startswith("["):
            name = line[1:line.index("]")]
            assert name.lower() not in sections, "section %s twice" % name
            cur = sections[name.lower()] = (name, {})
        else:
            key, _, value = line.partition("=")
            assert cur is not None and key.strip().lower() not in cur[1], "key %s" % key
            cur[1][key.strip().lower()] = value.strip()
    return sections


def check_ini(images, problems):
    sections = read_ini(os.path.join(OUT, "skin.ini"))
    used = set()

    def need(sec, key):
        if sec.lower() not in sections or key.lower() not in sections[sec.lower()][1]:
            problems.append("skin.ini: [%s] %s missing" % (sec, key))
            return ""
        return sections[sec.lower()][1][key.lower()]

    def integer(value):
        digits = value[1:] if value[:1] == "-" else value
        return int(value) if digits.isdigit() else None

    for sec in set(IMAGE_KEYS) | set(OTHER_KEYS):
        for key in OTHER_KEYS.get(sec, []):
            value = need(sec, key)
            if integer(value) is None and value:
                problems.append("skin.ini: [%s] %s=%s is not an integer" % (sec, key, value))
            elif key.endswith("Color") and not 0 <= integer(value or "0") < 1 << 24:
                problems.append("skin.ini: [%s] %s is not a colour" % (sec, key))
            elif key == "HoverTime" and value and not 150 <= int(value) <= 250:
                problems.append("skin.ini: [%s] HoverTime %s outside 150 ... 250" % (sec, value))
        for key in IMAGE_KEYS.get(sec, {}):
            need(sec, key)
    # Every image value of every section, general or per identifier.
    for low, (name, keys) in sections.items():
        general = name.split(".")[0]
        modes = IMAGE_KEYS.get(general, {})
        for key, mode in modes.items():
            value = keys.get(key.lower(), "")
            if not value:
                continue
            used.add(value)
            if value not in images:
                problems.append("skin.ini: [%s] %s=%s is not drawn by this script" % (name, key, value))
                continue
            img = images[value]
            if mode == "button":  # nine-grid when the section's MaskColor is set, natural size otherwise
                mode = "grid" if integer(keys.get("maskcolor", "0") or "0") else "scaled"
            if mode == "grid":
                mask = integer(keys.get("maskcolor", "") or sections.get(general.lower(), ("", {}))[1].get(
                    "maskcolor", "0"))
                if mask != MARKER[0] | MARKER[1] << 8 | MARKER[2] << 16:
                    problems.append("[%s] MaskColor %s is not the marker colour" % (name, mask))
                if not is_grid(value):
                    problems.append("%s: used as a nine-grid by [%s] %s" % (value, name, key))
            elif mode == "scaled":
                if is_grid(value):
                    problems.append("%s: a nine-grid used at natural size by [%s] %s" % (value, name, key))
            else:
                n = mode[1] if mode[1] != "states" else integer(keys.get("states", "0") or "0")
                if not n or (img.w - n + 1) % n or (value in EXPECT and EXPECT[value] != ((img.w - n + 1) // n, img.h)):
                    problems.append("%s: %d wide is not a strip of %s frames as expected" % (value, img.w, n))
    if not sections.get("toolbar.59392", ("", {}))[1].get("iconimg"):
        problems.append("skin.ini: [ToolBar.59392] IconImg missing")
    if not sections.get("tabctrl.1001", ("", {}))[1].get("closeimg"):
        problems.append("skin.ini: [TabCtrl.1001] CloseImg missing")
    for name in sorted(set(images) - used):
        problems.append("%s is drawn but skin.ini does not use it" % name)


def check(images):
    problems = []
    on_disk = sorted(f for f in os.listdir(OUT) if f.endswith(".png"))
    for name in sorted(set(on_disk) - set(images)):
        problems.append("%s: not drawn by this script" % name)
    for name, img in sorted(images.items()):
        path = os.path.join(OUT, name)
        if not os.path.exists(path):
            problems.append("%s: missing" % name)
            continue
        if open(path, "rb").read() != png_bytes(img):
            problems.append("%s: differs from what the script draws (run it again)" % name)
        try:
            back = read_png(path)
        except (AssertionError, struct.error, zlib.error, IndexError) as e:
            problems.append("%s: unreadable (%s)" % (name, e))
            continue
        if back.px != img.px:
            problems.append("%s: reads back different pixels" % name)
        want = EXPECT.get(name)
        if is_grid(name):
            mx, my, xs, ys = nine_grid_margins(back)
            if len(xs) != 2 or len(ys) != 2:
                problems.append("%s: %d markers in row 0, %d in column 0 (want 2 and 2)" % (name, len(xs), len(ys)))
            elif (mx, my) != want[1:]:
                problems.append("%s: margins %d x %d, want %d x %d" % (name, mx, my, want[1], want[2]))
            elif nine_grid_at(back, img.picture.w, img.picture.h).px != img.picture.px:
                problems.append("%s: at its drawn size the pieces do not give back the picture" % name)
        else:
            for edge, values in (("row 0", back.px[0]), ("column 0", [row[0] for row in back.px])):
                if markers(values):
                    problems.append("%s: marker colour in %s of an image that is not a nine-grid" % (name, edge))
    check_ini(images, problems)
    for p in problems:
        print("FAIL", p)
    print("%d images, %d problems" % (len(images), len(problems)))
    return not problems


# ---------------------------------------------------------------- contact sheet

def previews(images):
    """Images as the controls show them: strips cut into frames, nine-grids at their sizes."""
    out = []
    for name in ("check.png", "radio.png"):
        box_, hot, mark = strip_frames(images[name], 3)
        out.append([box_, hot, box_.copy().over(mark, 0, 0), hot.copy().over(mark, 0, 0)])
    out.append(strip_frames(images["combo_button.png"], 4) + strip_frames(images["tab_close.png"], 3))
    out.append([nine_grid_at(images["button_%s.png" % k], w, h) for w, h in ((75, 23), (110, 28))
                for k in ("normal", "hover", "down")])
    field = [nine_grid_at(images["textbox_%s.png" % k], 120, 24) for k in ("normal", "focus")]
    for k in ("normal", "focus"):
        sb = nine_grid_at(images["search_%s.png" % k], 170, 32)
        field.append(sb.over(images["search_glyph.png"], 4 + 140, 4))
    out.append(field)
    out.append([nine_grid_at(images["nav_%s.png" % k], 80, 26) for k in ("hover", "down")] +
               [images[n] for n in ("spin_up.png", "spin_down.png", "spin_left.png", "spin_right.png")])
    icons = strip_frames(images["toolbar_icons.png"], 6)
    bar = Image(6 * 48 + 12, 48)
    for k, icon in enumerate(icons):
        x = k * 48 + (12 if k >= 2 else 0)
        if k in (3, 4):
            bar.over(nine_grid_at(images["toolbar_%s.png" % ("hover" if k == 3 else "down")], 48, 48), x, 0)
        bar.over(icon, x, 0)
    bar.over(images["toolbar_sep.png"], 96 + 6, 2)
    tools = [images["tree_%s_%s.png" % (n, k)] for n in ("newtext", "newfolder", "delete")
             for k in ("normal", "hover", "down")]
    out.append([bar] + tools)
    # The top of the main frame: caption boxes laid out as the frame does (each in
    # its four looks from the right), the toolbar under the caption, the search box.
    top = Image(640, 100)
    for y in range(100):
        top.px[y] = [images["background.png"].px[y][0]] * 640
    boxes = [strip_frames(images["caption_%s.png" % k], 4) for k in ("min", "max", "close")]
    for state in range(4):
        x = 640 - 3 - 27 * 3 - state * 90
        for frames in boxes:
            top.over(frames[state], x, 2)
            x += 27
    top.over(bar, 8, 25 + 2)
    top.over(nine_grid_at(images["search_normal.png"], 170, 32), 640 - 8 - 175, 25 + 8)
    top.over(images["search_glyph.png"], 640 - 8 - 175 + 4 + 140, 25 + 8 + 4)
    cap = top
    out.append([cap])
    return out


def sheet(images, path, width=1400):
    """White and dark panels side by side: every file as it is, then the previews; all at 2x."""
    def panel(bg):
        items = [[images[n] for n in sorted(images) if n != "background.png"]]
        items.append([images["background.png"].crop(0, 0, 4, 160)])
        items += previews(images)
        rows = []
        for group in items:  # groups start a new row and wrap at the panel width
            rows.append([])
            for i in group:
                if rows[-1] and sum(j.w * 2 + 8 for j in rows[-1]) + i.w * 2 > width - 16:
                    rows.append([])
                rows[-1].append(i)
        out = Image(width, sum(max(i.h for i in r) * 2 + 10 for r in rows) + 8, bg)
        y = 8
        for r in rows:
            x = 8
            for i in r:
                out.over(i.scaled(2), x, y)
                x += i.w * 2 + 8
            y += max(i.h for i in r) * 2 + 10
        return out
    white, dark = panel((255, 255, 255, 255)), panel((46, 50, 58, 255))
    both = Image(white.w * 2, white.h, (128, 128, 128, 255)).over(white, 0, 0).over(dark, white.w, 0)
    with open(path, "wb") as f:
        f.write(png_bytes(both))
    print("contact sheet:", path)


def main(argv):
    images = build()
    if "--check" in argv:
        return 0 if check(images) else 1
    os.makedirs(OUT, exist_ok=True)
    for name, img in sorted(images.items()):
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(png_bytes(img))
    print("%d images written to %s" % (len(images), OUT))
    if "--sheet" in argv:
        sheet(images, argv[argv.index("--sheet") + 1])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
