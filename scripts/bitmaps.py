"""Writes 24-bit bottom-up .bmp files for the drawing scripts."""
import struct


def write_bmp(path, rows, ppm=2835):
    """rows: top-down lists of (r, g, b); ppm: pixels per metre in the header."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    body = bytearray()
    for line in reversed(rows):
        for r, g, b in line:
            body += bytes((b, g, r))
        body += b"\0" * (stride - width * 3)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), ppm, ppm, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + body)
