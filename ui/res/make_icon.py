#!/usr/bin/env python3
"""Draws the application icon, a chip with pins and an upward arrow, and writes Pelvaro.ico.

Five square images of 16, 32, 48, 64 and 128 pixels, each 32 bits with an alpha channel. The
16- and 32-pixel images are DIBs (with the AND mask that icon readers expect); the larger ones are
PNG, which icon readers since Windows Vista accept and which is a small fraction of a DIB's size. Every size is drawn on its own pixel grid, so edges
fall on pixel boundaries and small sizes stay sharp; curves and the arrow's slopes are smoothed by
sampling each pixel several times. Needs only the standard library; the output is the same byte
for byte on every run.

    python3 make_icon.py [output.ico]     (default: Pelvaro.ico beside this script)
"""
import os
import struct
import sys
import zlib

SIZES = (16, 32, 48, 64, 128)
# Images of this size and above are stored as PNG.
PNG_FROM = 48

# Colours as (red, green, blue).
PIN = (176, 186, 198)
BODY = (31, 58, 95)
BODY_EDGE = (84, 118, 160)
ARROW = (0, 228, 156)  # the same green as the result label's success text


def layout(size):
    """Shapes of one size in pixel coordinates, drawn back to front."""
    body0 = round(size * 0.19)
    body1 = size - body0
    edge = max(1, round(size / 32))
    radius = max(1.0, size * 0.07)
    pin_outer = max(1, round(size * 0.07))
    pin_count = 2 if size <= 16 else 3 if size <= 32 else 4
    pin_width = max(1, round(size * 0.065))
    pins = []
    for i in range(pin_count):
        centre = body0 + (body1 - body0) * (i + 1) / (pin_count + 1)
        a = round(centre - pin_width / 2)
        b = a + pin_width
        pins += [
            (a, pin_outer, b, body0),  # top
            (a, body1, b, size - pin_outer),  # bottom
            (pin_outer, a, body0, b),  # left
            (body1, a, size - pin_outer, b),  # right
        ]
    mid = size / 2
    head_top = body0 + max(1, round(size * 0.08))
    head_bottom = round(size * 0.54)
    head_half = (body1 - body0) * 0.32
    shaft_half = max(0.5, round(size * 0.07) / 2) if size > 16 else 1.0
    shaft_bottom = body1 - max(1, round(size * 0.08))
    return {
        "pins": pins,
        "body": (body0, body0, body1, body1, radius),
        "edge": edge,
        "head": (mid, head_top, mid - head_half, head_bottom, mid + head_half),
        "shaft": (mid - shaft_half, head_bottom - 0.01, mid + shaft_half, shaft_bottom),
    }


def in_rect(x, y, r):
    return r[0] <= x < r[2] and r[1] <= y < r[3]


def in_rounded(x, y, left, top, right, bottom, radius):
    if not (left <= x < right and top <= y < bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def in_head(x, y, head):
    apex_x, apex_y, left, base_y, right = head
    if y < apex_y or y >= base_y:
        return False
    t = (y - apex_y) / (base_y - apex_y)
    return apex_x - (apex_x - left) * t <= x < apex_x + (right - apex_x) * t


def colour_at(x, y, shapes):
    """The colour of the topmost shape at a sample point, or None where nothing is drawn."""
    if in_head(x, y, shapes["head"]) or in_rect(x, y, shapes["shaft"]):
        return ARROW
    left, top, right, bottom, radius = shapes["body"]
    if in_rounded(x, y, left, top, right, bottom, radius):
        e = shapes["edge"]
        inner = in_rounded(x, y, left + e, top + e, right - e, bottom - e, max(0.5, radius - e))
        return BODY if inner else BODY_EDGE
    if any(in_rect(x, y, p) for p in shapes["pins"]):
        return PIN
    return None


def render(size):
    """Rows of (r, g, b, a) from the top, each pixel averaged over n x n samples."""
    shapes = layout(size)
    n = 8 if size <= 32 else 4
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            sr = sg = sb = hits = 0
            for sy in range(n):
                y = py + (sy + 0.5) / n
                for sx in range(n):
                    c = colour_at(px + (sx + 0.5) / n, y, shapes)
                    if c is not None:
                        sr += c[0]
                        sg += c[1]
                        sb += c[2]
                        hits += 1
            if hits == 0:
                row.append((0, 0, 0, 0))
            else:
                alpha = round(255 * hits / (n * n))
                row.append((round(sr / hits), round(sg / hits), round(sb / hits), alpha))
        rows.append(row)
    return rows


def dib(size, rows):
    """A 32-bit icon image: header (double height for the mask), BGRA rows bottom-up, AND mask."""
    mask_stride = ((size + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         size * size * 4 + mask_stride * size, 0, 0, 0, 0)
    pixels = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            pixels += bytes((b, g, r, a))
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + bytes(pixels) + bytes(mask)


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filtered(kind, line, above):
    """One scanline under one of the five PNG filters (4 bytes a pixel)."""
    out = bytearray([kind])
    for i, x in enumerate(line):
        a = line[i - 4] if i >= 4 else 0
        b = above[i]
        c = above[i - 4] if i >= 4 else 0
        predictor = (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]
        out.append((x - predictor) & 0xFF)
    return out


def png(size, rows):
    """An RGBA PNG, 8 bits a channel; each row takes the filter that compresses it best."""
    previous = bytes(size * 4)
    data = bytearray()
    for row in rows:
        line = bytes(v for pixel in row for v in pixel)
        candidates = [filtered(kind, line, previous) for kind in range(5)]
        data += min(candidates, key=lambda f: (len(zlib.compress(bytes(f), 9)), f[0]))
        previous = line
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
            png_chunk(b"IDAT", zlib.compress(bytes(data), 9)) + png_chunk(b"IEND", b""))


def icon_file(images):
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = bytearray()
    for size, data in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return directory + bytes(entries) + b"".join(data for _, data in images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "Pelvaro.ico")
    images = [(size, (png if size >= PNG_FROM else dib)(size, render(size))) for size in SIZES]
    with open(out, "wb") as f:
        f.write(icon_file(images))
    print(f"wrote {out}")


if __name__ == "__main__":
    main()
