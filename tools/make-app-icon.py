#!/usr/bin/env python3
"""Writes dist/tessaline-dsp-control.png: the desktop icon, 256 x 256.

The logo (resources/Logo.png) is a white shape on transparency, made to be tinted
inside the window; alone it would vanish on a light application menu. The icon sets
it, scaled to 70 %, on a dark rounded square.

Usage: tools/make-app-icon.py [logo path] [output path]
"""

import struct
import sys
import zlib
from pathlib import Path

SIZE = 256
RADIUS = 56
BACKGROUND = (38, 38, 41)
LOGO_SCALE = 0.70


def read_grey_alpha(path):
    """Pixels of an 8-bit grey+alpha PNG as rows of (grey, alpha)."""
    data = Path(path).read_bytes()
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunk = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", chunk[:10])
            if depth != 8 or colour != 4:
                sys.exit("expected an 8-bit grey+alpha PNG")
        elif kind == b"IDAT":
            idat += chunk
    raw, stride, rows, prev = zlib.decompress(idat), width * 2, [], bytearray(width * 2)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - 2] if x >= 2 else 0
            b, c = prev[x], prev[x - 2] if x >= 2 else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([(line[2 * x], line[2 * x + 1]) for x in range(width)])
        prev = line
    return rows


def sample(rows, x, y):
    """Bilinear grey and alpha at a fractional position, transparent outside."""
    h, w = len(rows), len(rows[0])
    x0, y0 = int(x // 1), int(y // 1)
    fx, fy = x - x0, y - y0
    grey = alpha = 0.0
    for dy, wy in ((0, 1 - fy), (1, fy)):
        for dx, wx in ((0, 1 - fx), (1, fx)):
            px, py = x0 + dx, y0 + dy
            if 0 <= px < w and 0 <= py < h:
                g, a = rows[py][px]
                grey += g * a * wx * wy
                alpha += a * wx * wy
    return (grey / alpha if alpha else 0), alpha


def coverage(x, y):
    """How much of the pixel at (x, y) the rounded square covers, 4 x 4 samples."""
    inside = 0
    for sy in range(4):
        for sx in range(4):
            px, py = x + (sx + 0.5) / 4, y + (sy + 0.5) / 4
            cx = min(max(px, RADIUS), SIZE - RADIUS)
            cy = min(max(py, RADIUS), SIZE - RADIUS)
            inside += (px - cx) ** 2 + (py - cy) ** 2 <= RADIUS ** 2
    return inside / 16


def main():
    logo = read_grey_alpha(sys.argv[1] if len(sys.argv) > 1 else "resources/Logo.png")
    out = Path(sys.argv[2] if len(sys.argv) > 2 else "dist/tessaline-dsp-control.png")
    scale = len(logo) / (SIZE * LOGO_SCALE)
    offset = SIZE * (1 - LOGO_SCALE) / 2
    raw = bytearray()
    for y in range(SIZE):
        raw.append(0)
        for x in range(SIZE):
            grey, alpha = sample(logo, (x + 0.5 - offset) * scale - 0.5, (y + 0.5 - offset) * scale - 0.5)
            a = alpha / 255
            pixel = [round(grey * a + c * (1 - a)) for c in BACKGROUND]
            raw += bytes(pixel + [round(255 * coverage(x, y))])
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    out.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
                    chunk(b"IEND", b""))


if __name__ == "__main__":
    main()
