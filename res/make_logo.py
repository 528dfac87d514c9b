#!/usr/bin/env python3
"""Draws the product logo (the program icon's boat, large, on white) into
LOGO.JPG, the picture the welcome page shows.

Run from this folder with Pillow installed: python3 make_logo.py.
"""
from PIL import Image

import make_icon

SIZE = 120
SAMPLES = 3  # per axis, for smooth edges


def main():
    img = Image.new("RGB", (SIZE, SIZE))
    big = SIZE * SAMPLES
    for y in range(SIZE):
        for x in range(SIZE):
            acc = [0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    r, g, b, a = make_icon.pixel(big, x * SAMPLES + sx, y * SAMPLES + sy)
                    t = a / 255.0
                    for i, c in enumerate((r, g, b)):
                        acc[i] += c * t + 255 * (1 - t)
            n = SAMPLES * SAMPLES
            img.putpixel((x, y), tuple(int(round(v / n)) for v in acc))
    img.save("LOGO.JPG", "JPEG", quality=90)


if __name__ == "__main__":
    main()
