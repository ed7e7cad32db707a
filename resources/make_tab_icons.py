#!/usr/bin/env python3
"""Draws the tab strip's icon strips: eight square cells (save, save hovered,
close, close hovered, left arrow, left arrow hovered, right arrow, right arrow
hovered) on magenta, which the strip treats as transparent.

    python3 resources/make_tab_icons.py   # writes TabIcons96.bmp and TabIcons192.bmp

Shapes are given in a 14-unit cell and filled where at least half of a
pixel's 16 sample points fall inside, so both sizes come from one drawing.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'scripts'))
from bitmaps import write_bmp  # noqa: E402

MAGENTA = (255, 0, 255)
WHITE = (255, 255, 255)
INK = (72, 72, 72)
INK_HOT = (0, 0, 0)
DISK = (64, 84, 120)
DISK_HOT = (24, 96, 200)
SHUTTER = (200, 208, 220)
RED = (204, 36, 36)


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def stroke(ax, ay, bx, by, half):
    """A segment of the given half thickness."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        px, py = ax + t * dx - x, ay + t * dy - y
        return px * px + py * py <= half * half
    return inside


def triangle(a, b, c):
    def side(p, q, x, y):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])

    def inside(x, y):
        s1, s2, s3 = side(a, b, x, y), side(b, c, x, y), side(c, a, x, y)
        return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)
    return inside


def cross(half):
    a = stroke(4, 4, 10, 10, half)
    b = stroke(10, 4, 4, 10, half)
    return lambda x, y: a(x, y) or b(x, y)


def save_cell(body):
    # A diskette: body, metal shutter at the top, white label below.
    return [(rect(2, 2, 12, 12), body), (rect(5, 2, 9.5, 5.5), SHUTTER),
            (rect(4, 7.5, 10, 12), WHITE)]


CELLS = [
    save_cell(DISK),
    save_cell(DISK_HOT),
    [(cross(0.85), INK)],
    [(circle(7, 7, 6.2), RED), (cross(0.85), WHITE)],
    [(triangle((4, 7), (9.5, 2), (9.5, 12)), INK)],
    [(triangle((4, 7), (9.5, 2), (9.5, 12)), INK_HOT)],
    [(triangle((10, 7), (4.5, 2), (4.5, 12)), INK)],
    [(triangle((10, 7), (4.5, 2), (4.5, 12)), INK_HOT)],
]


def render(cell, height):
    width = 8 * cell
    pixels = [[MAGENTA] * width for _ in range(height)]
    scale = 14.0 / cell
    for index, layers in enumerate(CELLS):
        for y in range(cell):
            for x in range(cell):
                colour = None
                for shape, fill in layers:
                    hits = sum(shape((x + (i + 0.5) / 4) * scale, (y + (j + 0.5) / 4) * scale)
                               for i in range(4) for j in range(4))
                    if hits >= 8:
                        colour = fill
                if colour:
                    pixels[y][index * cell + x] = colour
    return pixels


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    write_bmp(os.path.join(here, 'TabIcons96.bmp'), render(14, 16))
    write_bmp(os.path.join(here, 'TabIcons192.bmp'), render(28, 32))
