#!/usr/bin/env python3
"""Draws the help viewer's pictures: the toolbar strips (96 and 192 dpi),
the program icon, and the PNG and GIF shown on the help pages. Run it from
anywhere after changing a drawing; the results are committed."""
import math
import os
import sys
import struct
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
from bitmaps import write_bmp  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
MAGENTA = (255, 0, 255)


def shape_pixels(kind, size):
    """Coverage (0..1) of a 21-unit drawing of kind at size pixels per cell,
    sampled 4x4 per pixel, with the colour of each sample."""
    s = size / 21.0
    grid = [[None] * size for _ in range(size)]

    def paint(test, colour):
        for y in range(size):
            for x in range(size):
                hits = 0
                for sy in range(4):
                    for sx in range(4):
                        u = (x + (sx + 0.5) / 4) / s
                        v = (y + (sy + 0.5) / 4) / s
                        if test(u, v):
                            hits += 1
                if hits >= 8:
                    grid[y][x] = colour

    blue, green, dark, paper, grey = (40, 90, 200), (30, 150, 60), (50, 50, 50), (250, 250, 240), (150, 150, 150)
    if kind in ("back", "forward"):
        d = -1 if kind == "back" else 1

        def arrow(u, v):
            c = 10.5 + d * (u - 10.5)
            if 4 <= v <= 17 and 10 <= c <= 17 and abs(v - 10.5) <= (17 - c):
                return True
            return 7.5 <= v <= 13.5 and 3 <= c <= 10.5
        paint(arrow, blue)
    elif kind in ("up", "down"):
        d = -1 if kind == "up" else 1

        def arrow(u, v):
            c = 10.5 + d * (v - 10.5)
            if 10 <= c <= 17 and abs(u - 10.5) <= (17 - c):
                return True
            return 7.5 <= u <= 13.5 and 3 <= c <= 10.5
        paint(arrow, green)
    elif kind == "contents":
        paint(lambda u, v: 3 <= u <= 18 and 3 <= v <= 18, dark)
        paint(lambda u, v: 5 <= u <= 17 and 4 <= v <= 17, paper)
        for row in (6.5, 9.5, 12.5, 15.5):
            paint(lambda u, v, r=row: 7 <= u <= 15 and r <= v <= r + 1.2, blue)
    elif kind == "copy":
        paint(lambda u, v: 2 <= u <= 12 and 2 <= v <= 14, dark)
        paint(lambda u, v: 3 <= u <= 11 and 3 <= v <= 13, paper)
        paint(lambda u, v: 8 <= u <= 19 and 7 <= v <= 19, dark)
        paint(lambda u, v: 9 <= u <= 18 and 8 <= v <= 18, paper)
    elif kind == "find":
        paint(lambda u, v: 3.5 <= math.hypot(u - 8.5, v - 8.5) <= 6, dark)
        paint(lambda u, v: math.hypot(u - 8.5, v - 8.5) < 3.5, (200, 230, 255))
        paint(lambda u, v: abs((u - v)) <= 1.6 and 12 <= u <= 18.5 and 12 <= v <= 18.5, dark)
    elif kind == "book":
        paint(lambda u, v: 2 <= u <= 19 and 3 <= v <= 18, blue)
        paint(lambda u, v: 4 <= u <= 17 and 5 <= v <= 16 and abs(u - 10.5) > 0.8, paper)
        for row in (7.5, 10.5, 13.5):
            paint(lambda u, v, r=row: (5.5 <= u <= 9 or 12 <= u <= 15.5) and r <= v <= r + 1, grey)
    return grid


def greyed_pixel(p):
    g = int(sum(p) / 3 * 0.4 + 140)
    return (g, g, g)


def strip(size):
    """Cells of the viewer's toolbar: back, forward, previous page and next
    page each with a greyed copy beside them, contents, copy, find."""
    cells = []
    for kind in ("back", "forward", "up", "down"):
        g = shape_pixels(kind, size)
        cells.append(g)
        cells.append([[None if p is None else greyed_pixel(p) for p in row] for row in g])
    cells += [shape_pixels(k, size) for k in ("contents", "copy", "find")]
    width = size * len(cells)
    rows = []
    for y in range(size):
        row = []
        for cell in cells:
            row += [MAGENTA if p is None else p for p in cell[y]]
        rows.append(row)
    return width, size, rows


def icon_image(size):
    g = shape_pixels("book", size)
    return [[(0, 0, 0, 0) if p is None else p + (255,) for p in row] for row in g]


def write_ico(path, sizes):
    images = []
    for size in sizes:
        px = icon_image(size)
        xor = bytearray()
        for y in range(size - 1, -1, -1):
            for r, g, b, a in px[y]:
                xor += bytes((b, g, r, a))
        mask_stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for y in range(size - 1, -1, -1):
            bits = bytearray(mask_stride)
            for x in range(size):
                if px[y][x][3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append((size, info + xor + mask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, blob in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for _, blob in images:
        out += blob
    with open(path, "wb") as f:
        f.write(out)


def write_png(path, width, height, rgba):
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for p in rgba[y]:
            raw += bytes(p)

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def logo():
    """A round blue badge with a white page, its edge fading to transparent."""
    n = 64
    rows = []
    for y in range(n):
        row = []
        for x in range(n):
            d = math.hypot(x + 0.5 - 32, y + 0.5 - 32)
            a = max(0.0, min(1.0, 30.5 - d))
            colour = (40, 90, 200)
            if 20 <= x < 44 and 14 <= y < 50:
                colour = (250, 250, 240)
                if 24 <= x < 40 and y in (20, 21, 26, 27, 32, 33, 38, 39, 44, 45):
                    colour = (120, 120, 120)
            row.append(colour + (int(round(a * 255)),))
        rows.append(row)
    return n, n, rows


def write_gif(path, width, height, palette, indexes, transparent=None):
    """One image, LZW with a clear code before the table would widen the
    codes, so every code has min code size + 1 bits."""
    bits = 1
    while (1 << bits) < len(palette):
        bits += 1
    min_size = max(2, bits)
    table = list(palette) + [(0, 0, 0)] * ((1 << bits) - len(palette))
    clear, end = 1 << min_size, (1 << min_size) + 1
    width_bits = min_size + 1
    codes = [clear]
    since_clear = 0
    for i in indexes:
        if since_clear == (1 << min_size) - 2:
            codes.append(clear)
            since_clear = 0
        codes.append(i)
        since_clear += 1
    codes.append(end)
    acc = nbits = 0
    stream = bytearray()
    for c in codes:
        acc |= c << nbits
        nbits += width_bits
        while nbits >= 8:
            stream.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8
    if nbits:
        stream.append(acc & 0xFF)
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", width, height, 0x80 | (bits - 1), 0, 0)
    for r, g, b in table:
        out += bytes((r, g, b))
    if transparent is not None:
        out += bytes((0x21, 0xF9, 4, 1, 0, 0, transparent, 0))
    out += b"\x2c" + struct.pack("<HHHHB", 0, 0, width, height, 0) + bytes((min_size,))
    for i in range(0, len(stream), 255):
        block = stream[i:i + 255]
        out += bytes((len(block),)) + block
    out += b"\0;"
    with open(path, "wb") as f:
        f.write(out)


def toolbar_picture():
    """The editor's toolbar as the help page shows it: four buttons on a
    light bar, drawn with a small palette (index 0 transparent)."""
    palette = [(255, 0, 255), (236, 236, 236), (50, 50, 50), (250, 250, 240), (40, 90, 200), (30, 150, 60),
               (150, 150, 150), (200, 230, 255)]
    size, gap = 24, 6
    kinds = ("book", "contents", "down", "find")
    width, height = len(kinds) * (size + gap) + gap, size + 2 * gap
    lookup = {c: i for i, c in enumerate(palette)}
    idx = [[1] * width for _ in range(height)]
    for k, kind in enumerate(kinds):
        g = shape_pixels(kind, size)
        for y in range(size):
            for x in range(size):
                p = g[y][x]
                if p is not None:
                    idx[gap + y][gap + k * (size + gap) + x] = lookup.get(p, 2)
    for x in range(width):
        idx[0][x] = idx[height - 1][x] = 0
    return width, height, palette, [i for row in idx for i in row]


def main():
    w, h, rows = strip(21)
    write_bmp(os.path.join(HERE, "guidora_toolbar96.bmp"), rows[:h])
    w, h, rows = strip(42)
    write_bmp(os.path.join(HERE, "guidora_toolbar192.bmp"), rows[:h])
    write_ico(os.path.join(HERE, "guidora.ico"), (16, 32, 48))
    w, h, rows = logo()
    write_png(os.path.join(HERE, "help", "logo.png"), w, h, rows)
    w, h, palette, indexes = toolbar_picture()
    write_gif(os.path.join(HERE, "help", "ikony.gif"), w, h, palette, indexes, transparent=0)


if __name__ == "__main__":
    main()
