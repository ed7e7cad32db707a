#!/usr/bin/env python3
"""Draws the editor's toolbar strips and program icon into resources/.

Every image is described once in 96-dpi units and rasterised at 1x (the
96-dpi strip) and 2x (the 192-dpi strip); magenta marks transparent pixels.
Run it again after changing a drawing and commit the images it writes.
"""
import os
import struct

from bitmaps import write_bmp

MAGENTA = (255, 0, 255)
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'resources')

INK = (40, 40, 48)
PAPER = (250, 250, 250)
BLUE = (40, 100, 200)
LIGHTBLUE = (150, 190, 240)
GREEN = (40, 150, 60)
RED = (200, 40, 40)
YELLOW = (240, 200, 60)
GREY = (140, 140, 150)
ORANGE = (230, 130, 30)


class Canvas:
    def __init__(self, width, height, scale):
        self.w, self.h, self.s = width * scale, height * scale, scale
        self.px = [[MAGENTA] * self.w for _ in range(self.h)]

    def fill(self, x0, y0, x1, y1, c):
        """Fills [x0, x1) x [y0, y1) given in 96-dpi units (fractions allowed)."""
        s = self.s
        for y in range(max(0, int(y0 * s)), min(self.h, int(y1 * s))):
            row = self.px[y]
            for x in range(max(0, int(x0 * s)), min(self.w, int(x1 * s))):
                row[x] = c

    def frame(self, x0, y0, x1, y1, c, fillc=None):
        if fillc:
            self.fill(x0, y0, x1, y1, fillc)
        self.fill(x0, y0, x1, y0 + 1, c)
        self.fill(x0, y1 - 1, x1, y1, c)
        self.fill(x0, y0, x0 + 1, y1, c)
        self.fill(x1 - 1, y0, x1, y1, c)

    def line(self, x0, y0, x1, y1, c, width=1.0):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * self.s * 2) + 1
        for i in range(steps + 1):
            t = i / steps
            x = x0 + (x1 - x0) * t
            y = y0 + (y1 - y0) * t
            self.fill(x - width / 2, y - width / 2, x + width / 2, y + width / 2, c)

    def disc(self, cx, cy, r, c):
        s = self.s
        for y in range(int((cy - r) * s), int((cy + r) * s) + 1):
            for x in range(int((cx - r) * s), int((cx + r) * s) + 1):
                if 0 <= x < self.w and 0 <= y < self.h:
                    dx, dy = (x + 0.5) / s - cx, (y + 0.5) / s - cy
                    if dx * dx + dy * dy <= r * r:
                        self.px[y][x] = c

    def ring(self, cx, cy, r, c, width=1.5):
        s = self.s
        for y in range(int((cy - r - 1) * s), int((cy + r + 1) * s) + 1):
            for x in range(int((cx - r - 1) * s), int((cx + r + 1) * s) + 1):
                if 0 <= x < self.w and 0 <= y < self.h:
                    dx, dy = (x + 0.5) / s - cx, (y + 0.5) / s - cy
                    d = (dx * dx + dy * dy) ** 0.5
                    if abs(d - r) <= width / 2:
                        self.px[y][x] = c


# --- drawings, each (canvas, left edge, width, height) ---------------------------------

def page(c, x, top=3, bottom=25, left=6, right=21):
    c.frame(x + left, top, x + right, bottom, INK, PAPER)
    c.fill(x + right - 5, top, x + right, top + 5, MAGENTA)
    c.line(x + right - 5, top, x + right - 1, top + 4, INK)
    c.fill(x + right - 5, top, x + right - 4, top + 5, INK)
    c.fill(x + right - 5, top + 4, x + right, top + 5, INK)


def text_lines(c, x, y0, y1, left, right, colour=GREY):
    y = y0
    while y < y1:
        c.fill(x + left, y, x + right, y + 1, colour)
        y += 3


def new(c, x):
    page(c, x)
    c.disc(x + 21, 21, 4, YELLOW)
    c.line(x + 21, 17, x + 21, 25, ORANGE)
    c.line(x + 17, 21, x + 25, 21, ORANGE)


def folder(c, x):
    c.frame(x + 3, 8, x + 25, 23, INK, YELLOW)
    c.frame(x + 3, 6, x + 11, 9, INK, YELLOW)
    c.fill(x + 4, 12, x + 24, 13, ORANGE)


def floppy(c, x, dx=0, dy=0, colour=BLUE):
    x += dx
    c.frame(x + 4, 4 + dy, x + 24, 24 + dy, INK, colour)
    c.fill(x + 8, 5 + dy, x + 20, 11 + dy, PAPER)
    c.fill(x + 16, 6 + dy, x + 19, 10 + dy, INK)
    c.fill(x + 7, 15 + dy, x + 21, 23 + dy, LIGHTBLUE)


def save_all(c, x):
    floppy(c, x, -2, -2, GREY)
    floppy(c, x, 2, 2)


def close(c, x):
    page(c, x)
    c.line(x + 15, 15, x + 25, 25, RED, 2.5)
    c.line(x + 25, 15, x + 15, 25, RED, 2.5)


def select_text(c, x):
    c.frame(x + 3, 4, x + 16, 22, INK, PAPER)
    c.frame(x + 8, 7, x + 21, 25, INK, PAPER)
    c.frame(x + 13, 10, x + 26, 27, INK, LIGHTBLUE)
    text_lines(c, x, 14, 25, 15, 24, INK)


def arrow(c, x, back):
    # a curved arrow: an arc and a head
    cx = x + 14
    for i in range(0, 11):
        t = i / 10.0
        px = (cx + 7 - 14 * t) if back else (cx - 7 + 14 * t)
        py = 15 - 6 * (1 - (2 * t - 1) ** 2)
        c.fill(px - 1.2, py - 1.2, px + 1.2, py + 1.2, BLUE)
    hx = cx - 7 if back else cx + 7
    c.line(hx, 15, hx - 4 if back else hx + 4, 11, BLUE, 2)
    c.line(hx, 15, hx + 4 if back else hx - 4, 11, BLUE, 2)
    c.fill(x + 6, 21, x + 22, 22, GREY)


def cut(c, x):
    c.line(x + 9, 4, x + 18, 17, INK, 1.5)
    c.line(x + 19, 4, x + 10, 17, INK, 1.5)
    c.ring(x + 9, 21, 3.5, RED)
    c.ring(x + 19, 21, 3.5, RED)


def copy(c, x):
    c.frame(x + 4, 3, x + 17, 19, INK, PAPER)
    text_lines(c, x, 7, 17, 6, 15)
    c.frame(x + 11, 9, x + 24, 25, INK, PAPER)
    text_lines(c, x, 13, 23, 13, 22, BLUE)


def paste(c, x):
    c.frame(x + 5, 5, x + 20, 25, INK, ORANGE)
    c.frame(x + 9, 3, x + 16, 7, INK, GREY)
    c.frame(x + 12, 11, x + 24, 26, INK, PAPER)
    text_lines(c, x, 15, 24, 14, 22, BLUE)


def magnifier(c, x, cx=12, cy=12, r=6, colour=BLUE):
    c.disc(x + cx, cy, r, LIGHTBLUE)
    c.ring(x + cx, cy, r, colour, 2)
    c.line(x + cx + r * 0.7, cy + r * 0.7, x + cx + r * 0.7 + 6, cy + r * 0.7 + 6, INK, 2.5)


def find_bar(c, x, on):
    c.frame(x + 2, 17, x + 26, 24, INK, PAPER if not on else LIGHTBLUE)
    magnifier(c, x, 12, 9, 5, BLUE if not on else GREEN)


def underline(c, x, on):
    c.fill(x + 5, 6, x + 7, 16, INK)
    c.fill(x + 5, 15, x + 12, 17, INK)
    c.fill(x + 14, 10, x + 16, 17, INK)
    c.fill(x + 19, 10, x + 21, 17, INK)
    c.fill(x + 14, 16, x + 21, 17, INK)
    wave = RED if on else GREY
    for i in range(0, 22):
        c.fill(x + 4 + i, 21 + (i % 4 in (1, 2)), x + 5 + i, 22 + (i % 4 in (1, 2)), wave)


def spell(c, x):
    page(c, x)
    text_lines(c, x, 8, 22, 8, 18)
    c.line(x + 13, 19, x + 17, 24, GREEN, 2.5)
    c.line(x + 17, 24, x + 26, 12, GREEN, 2.5)


def views(c, x, split):
    c.frame(x + 3, 4, x + 25, 24, INK, PAPER)
    c.fill(x + 3, 4, x + 25, 7, BLUE)
    if split == 1:
        c.fill(x + 13.5, 7, x + 14.5, 24, INK)
    elif split == 2:
        c.fill(x + 3, 15, x + 25, 16, INK)
    text_lines(c, x, 9, 23, 5, 12 if split == 1 else 23)
    if split == 1:
        text_lines(c, x, 9, 23, 16, 23)


def font_size(c, x, mode):
    # a letter A and a sign
    c.line(x + 4, 24, x + 11, 5, INK, 2)
    c.line(x + 11, 5, x + 18, 24, INK, 2)
    c.fill(x + 7, 17, x + 15, 19, INK)
    if mode > 0:
        c.fill(x + 18, 8, x + 26, 10, GREEN)
        c.fill(x + 21, 5, x + 23, 13, GREEN)
    elif mode < 0:
        c.fill(x + 18, 8, x + 26, 10, RED)
    else:
        c.fill(x + 18, 6, x + 26, 8, BLUE)
        c.fill(x + 18, 10, x + 26, 12, BLUE)


def config(c, x):
    c.ring(x + 14, 14, 6, GREY, 4)
    for dx, dy in ((0, -9), (0, 9), (-9, 0), (9, 0), (6.4, 6.4), (-6.4, -6.4), (6.4, -6.4), (-6.4, 6.4)):
        c.disc(x + 14 + dx, 14 + dy, 2, GREY)
    c.disc(x + 14, 14, 2.5, MAGENTA)


def help_icon(c, x):
    c.disc(x + 14, 14, 11, BLUE)
    c.ring(x + 14, 11, 4, PAPER, 2.5)
    c.fill(x + 9, 11, x + 14, 16, BLUE)
    c.fill(x + 13, 14, x + 15.5, 18, PAPER)
    c.fill(x + 13, 20, x + 15.5, 22.5, PAPER)


MAIN = [  # image x: drawing
    (0, new), (28, folder), (56, floppy), (84, save_all), (112, lambda c, x: arrow(c, x, True)),
    (140, lambda c, x: arrow(c, x, False)), (168, cut), (196, copy), (224, paste),
    (252, lambda c, x: find_bar(c, x, False)), (280, lambda c, x: find_bar(c, x, True)),
    (308, lambda c, x: underline(c, x, False)), (336, lambda c, x: underline(c, x, True)),
    (364, spell), (392, lambda c, x: views(c, x, 0)), (420, select_text), (448, config),
    (476, help_icon), (504, close), (532, lambda c, x: views(c, x, 0)),
    (560, lambda c, x: views(c, x, 1)), (588, lambda c, x: views(c, x, 2)),
    (616, lambda c, x: font_size(c, x, 1)), (644, lambda c, x: font_size(c, x, -1)),
    (672, lambda c, x: font_size(c, x, 0)),
]


# Find and replace bars: 24 x 19 cells.
def find_dir(c, x, kind):
    magnifier(c, x, 10, 8, 5)
    if kind == 'first':
        c.fill(x + 16, 11, x + 18, 18, INK)
        c.line(x + 23, 11, x + 19, 14.5, GREEN, 2)
        c.line(x + 19, 14.5, x + 23, 18, GREEN, 2)
    elif kind == 'prev':
        c.line(x + 22, 11, x + 17, 14.5, GREEN, 2)
        c.line(x + 17, 14.5, x + 22, 18, GREEN, 2)
    elif kind == 'next':
        c.line(x + 17, 11, x + 22, 14.5, GREEN, 2)
        c.line(x + 22, 14.5, x + 17, 18, GREEN, 2)
    else:
        c.line(x + 16, 11, x + 20, 14.5, GREEN, 2)
        c.line(x + 20, 14.5, x + 16, 18, GREEN, 2)
        c.fill(x + 21, 11, x + 23, 18, INK)


def history(c, x):
    c.ring(x + 9.5, 9.5, 7, INK, 1.5)
    c.fill(x + 9, 5, x + 10.5, 10.5, INK)
    c.fill(x + 9, 9, x + 13, 10.5, INK)


def case_toggle(c, x, on):
    colour = GREEN if on else INK
    c.line(x + 2, 16, x + 6, 4, colour, 1.5)
    c.line(x + 6, 4, x + 10, 16, colour, 1.5)
    c.fill(x + 4, 11, x + 9, 12.5, colour)
    c.fill(x + 11, 9, x + 13, 11, GREY)
    c.fill(x + 11, 13, x + 13, 15, GREY)
    c.ring(x + 18, 13, 3, colour, 1.5)
    c.fill(x + 20.5, 9, x + 22, 17, colour)


def regex_toggle(c, x, on):
    colour = GREEN if on else INK
    # The star's strokes are 1.5 wide: its tips stay 0.75 clear of the cell's edge.
    c.line(x + 4.5, 3, x + 4.5, 12, colour, 1.5)
    c.line(x + 1, 5, x + 8, 10, colour, 1.5)
    c.line(x + 8, 5, x + 1, 10, colour, 1.5)
    c.disc(x + 4.5, 15, 1.6, colour)
    c.fill(x + 11, 8, x + 22, 10, colour if on else GREY)
    c.fill(x + 11, 12, x + 22, 14, colour if on else GREY)


def replace_one(c, x, every):
    c.frame(x + 2, 3, x + 11, 10, INK, LIGHTBLUE)
    c.frame(x + 12, 10, x + 22, 17, INK, YELLOW)
    c.line(x + 7, 11, x + 7, 15, GREEN, 1.5)
    c.line(x + 7, 15, x + 11, 15, GREEN, 1.5)
    if every:
        c.frame(x + 14, 2, x + 22, 8, INK, YELLOW)


def close_bar(c, x):
    c.line(x + 3, 5, x + 11, 13, RED, 2)
    c.line(x + 11, 5, x + 3, 13, RED, 2)


FIND = [
    (0, lambda c, x: find_dir(c, x, 'first')), (24, lambda c, x: find_dir(c, x, 'prev')),
    (48, lambda c, x: find_dir(c, x, 'next')), (72, lambda c, x: find_dir(c, x, 'last')),
    (96, history), (120, lambda c, x: case_toggle(c, x, False)),
    (144, lambda c, x: case_toggle(c, x, True)), (168, lambda c, x: regex_toggle(c, x, False)),
    (192, lambda c, x: regex_toggle(c, x, True)),
]
REPLACE = [
    (0, lambda c, x: replace_one(c, x, False)), (24, lambda c, x: replace_one(c, x, True)),
    (48, close_bar), (96, history),
]


def check_inside(cell, width, height, drawings, scale):
    """Each image drawn alone leaves every pixel outside its cell transparent:
    a button shows its cell only, so art past the edge is lost there and
    shows on the neighbour's button."""
    for x, draw in drawings:
        c = Canvas(width, height, scale)
        draw(c, x)
        for y, row in enumerate(c.px):
            for px, p in enumerate(row):
                if p != MAGENTA and not x * scale <= px < (x + cell) * scale:
                    raise SystemExit('the image at %d leaves its cell at (%d, %d), scale %d' % (x, px, y, scale))


def strip(name96, name192, width, height, cell, drawings):
    for scale, name in ((1, name96), (2, name192)):
        check_inside(cell, width, height, drawings, scale)
        c = Canvas(width, height, scale)
        for x, draw in drawings:
            draw(c, x)
        write_bmp(os.path.join(OUT, name), c.px, ppm=3780)


def icon_image(size):
    scale = size / 32.0
    c = Canvas(32, 32, 1)
    c.s = scale
    c.w = c.h = size
    c.px = [[MAGENTA] * size for _ in range(size)]
    c.frame(5, 2, 27, 30, INK, PAPER)
    c.fill(5, 2, 27, 7, BLUE)
    for i, y in enumerate(range(10, 27, 4)):
        c.fill(8, y, 8 + (16 if i % 2 == 0 else 11), y + 2, GREY)
    c.line(13, 25, 26, 12, ORANGE, 3)
    c.line(12, 26, 14, 24, INK, 2)
    # 32-bit BGRA rows bottom-up, then the AND mask
    pixels = bytearray()
    for y in range(size - 1, -1, -1):
        for r, g, b in c.px[y]:
            alpha = 0 if (r, g, b) == MAGENTA else 255
            pixels += bytes((b, g, r, alpha)) if alpha else b'\0\0\0\0'
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        bits = bytearray(mask_stride)
        for x, p in enumerate(c.px[y]):
            if p == MAGENTA:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return info + pixels + mask


def write_icon(path, sizes):
    images = [icon_image(s) for s in sizes]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    os.makedirs(OUT, exist_ok=True)
    strip('toolbar96.bmp', 'toolbar192.bmp', 700, 28, 28, MAIN)
    strip('findbar96.bmp', 'findbar192.bmp', 216, 19, 24, FIND)
    strip('replacebar96.bmp', 'replacebar192.bmp', 120, 19, 24, REPLACE)
    write_icon(os.path.join(OUT, 'scrivel.ico'), [16, 24, 32, 48, 64])
