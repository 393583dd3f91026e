#!/usr/bin/env python3
"""Draws the application icon and writes PushClient.ico: 16, 32, 48 and 64 px, 32 bits per pixel.
The two larger images are stored as PNG, as icons may be since Windows Vista: uncompressed, they were
half the program's resources.

The picture is a microphone on a rounded red tile with two broadcast arcs, drawn from shapes with
supersampling for smooth edges, so the icon can be rebuilt with nothing but Python.
Usage: make_icon.py [output.ico]
"""
import math
import struct
import sys
import zlib

SIZES = (16, 32, 48, 64)
PNG_FROM = 48  # sizes from this one up are stored as PNG
SUPERSAMPLE = 4


def inside(x, y):
    """Colour (r, g, b, a) of the picture at unit coordinates x, y in [0, 1), or None."""
    # Rounded tile.
    r = 0.18
    cx = min(max(x, r), 1 - r)
    cy = min(max(y, r), 1 - r)
    if (x - cx) ** 2 + (y - cy) ** 2 > r * r:
        return None
    white = (255, 255, 255, 255)
    # Microphone head: a capsule.
    if 0.40 <= x <= 0.60:
        top, bottom = 0.20, 0.52
        yy = min(max(y, top + 0.10), bottom - 0.10)
        if (x - 0.5) ** 2 + (y - yy) ** 2 <= 0.10 ** 2:
            return white
    # Holder: a U-shaped arc under the head.
    d = math.hypot(x - 0.5, y - 0.44)
    if 0.15 <= d <= 0.19 and y >= 0.44:
        return white
    # Stand and base.
    if 0.475 <= x <= 0.525 and 0.62 <= y <= 0.74:
        return white
    if 0.36 <= x <= 0.64 and 0.72 <= y <= 0.77:
        return white
    # Broadcast arcs on both sides.
    for radius in (0.30, 0.40):
        d = math.hypot(x - 0.5, y - 0.38)
        if radius - 0.025 <= d <= radius + 0.025 and abs(y - 0.38) <= (d * 0.55) and abs(x - 0.5) > 0.2:
            return (255, 214, 102, 255)
    # Tile: red with a slight vertical gradient.
    shade = int(30 * y)
    return (214 - shade, 48 - shade // 2, 48 - shade // 2, 255)


def render(size):
    pixels = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    c = inside((px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size)
                    if c:
                        a = c[3]
                        acc[0] += c[0] * a
                        acc[1] += c[1] * a
                        acc[2] += c[2] * a
                        acc[3] += a
            a = acc[3]
            if a:
                row.append((acc[0] // a, acc[1] // a, acc[2] // a, a // (n * n)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def bmp_image(size, pixels):
    """An icon image: BITMAPINFOHEADER (double height), BGRA rows bottom-up, then the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(xor) + bytes(mask)


def png_image(size, pixels):
    """An icon image as a PNG file: 8-bit RGBA, each row unfiltered."""
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
            chunk(b"IEND", b""))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "PushClient.ico"
    images = [(png_image if s >= PNG_FROM else bmp_image)(s, render(s)) for s in SIZES]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(SIZES, images):
        data += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        data += img
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
