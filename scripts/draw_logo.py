#!/usr/bin/env python3
"""Draws the About dialog's logo (400 x 120, 24-bit BMP) into resources/."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from bitmaps import write_bmp  # noqa: E402

W, H = 400, 120
GLYPHS = {
    'S': ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    'c': ["00000", "00000", "01110", "10000", "10000", "10000", "01110"],
    'r': ["00000", "00000", "10110", "11001", "10000", "10000", "10000"],
    'i': ["00100", "00000", "01100", "00100", "00100", "00100", "01110"],
    'v': ["00000", "00000", "10001", "10001", "10001", "01010", "00100"],
    'e': ["00000", "00000", "01110", "10001", "11111", "10000", "01110"],
    'l': ["01100", "00100", "00100", "00100", "00100", "00100", "01110"],
}


def main(out):
    px = [[(0, 0, 0)] * W for _ in range(H)]
    for y in range(H):
        for x in range(W):
            t = x / (W - 1)
            # white into a pale blue towards the right, a darker band at the bottom
            r = int(255 - 70 * t)
            g = int(255 - 40 * t)
            b = 255
            if y >= 100:
                r, g, b = int(r * 0.85), int(g * 0.9), int(b * 0.95)
            px[y][x] = (r, g, b)
    scale, x0, y0 = 7, 24, 22
    for ch in "Scrivel":
        rows = GLYPHS[ch]
        for gy, row in enumerate(rows):
            for gx, bit in enumerate(row):
                if bit == "1":
                    for dy in range(scale):
                        for dx in range(scale):
                            px[y0 + gy * scale + dy][x0 + gx * scale + dx] = (30, 60, 140)
        x0 += 6 * scale
    # a nib-like stroke under the name
    for x in range(24, 330):
        for dy in range(3):
            px[78 + dy][x] = (220, 120, 40)
    write_bmp(out, px, ppm=3780)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources/about_logo.bmp")
