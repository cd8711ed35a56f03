#!/usr/bin/env python3
"""Draws the program icon and writes it as a Windows .ico file.

The design lives here as shapes on a 48 x 48 grid: a blue rounded square, a
cream letter Q and a light-blue bar under its tail. Each size is drawn from
the shapes (8 x 8 samples a pixel), then stored three times: 32-bit with
alpha (XP and later draw its soft edges), 256 colours and 16 colours (what
Windows 95 and NT 4 pick on their usual displays). The older two carry
transparency in the AND mask alone, so a pixel is either there or not.

    make-icon.py OUT.ico [--png-dir DIR]

--png-dir also writes each 32-bit image as a PNG, to look at.
"""
import math
import struct
import sys
import zlib

SIZES = (48, 32, 16)
GRID = 48.0
SAMPLES = 8

BLUE_TOP = (0x2C, 0x66, 0xBE)
BLUE_BOTTOM = (0x17, 0x3F, 0x80)
CREAM = (0xF4, 0xF2, 0xCC)
BAR = (0x7C, 0xD0, 0xFF)
EDGE = (0x0E, 0x2A, 0x5A)

# Each colour of the design and the one of the sixteen standard colours that
# stands for it in the 16-colour images (nearest by distance would make the
# blue a teal).
VGA_STAND_IN = {
    BLUE_TOP: (0, 0, 128), BLUE_BOTTOM: (0, 0, 128), EDGE: (0, 0, 0),
    CREAM: (255, 255, 255), BAR: (0, 255, 255),
}

# The sixteen colours every Windows display has.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def in_rounded_square(x, y, lo, hi, r):
    cx = min(max(x, lo + r), hi - r)
    cy = min(max(y, lo + r), hi - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_ring(x, y):
    # An upright ellipse ring: the bowl of the Q.
    cx, cy = 22.5, 21.0
    outer = ((x - cx) / 13.0) ** 2 + ((y - cy) / 14.0) ** 2
    inner = ((x - cx) / 7.0) ** 2 + ((y - cy) / 8.0) ** 2
    return outer <= 1.0 and inner > 1.0


def in_tail(x, y):
    # A thick stroke from inside the bowl down to the bar.
    ax, ay, bx, by, half = 24.0, 27.0, 33.5, 37.5, 2.9
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    px, py = ax + t * dx, ay + t * dy
    return (x - px) ** 2 + (y - py) ** 2 <= half * half


def in_bar(x, y):
    return 30.0 <= x <= 42.5 and 35.0 <= y <= 41.5


def colour_at(x, y):
    """The design's colour at a point of the 48 grid, or None outside it."""
    if not in_rounded_square(x, y, 1.5, 46.5, 10.0):
        return None
    if in_bar(x, y):
        return BAR
    if in_ring(x, y) or in_tail(x, y):
        return CREAM
    if not in_rounded_square(x, y, 3.0, 45.0, 8.5):
        return EDGE
    t = (y - 1.5) / 45.0
    return tuple(round(a + (b - a) * t) for a, b in zip(BLUE_TOP, BLUE_BOTTOM))


def render(size, samples=SAMPLES):
    """Rows of (r, g, b, a) from the top, each channel 0..255. One sample a
    pixel gives hard edges, for the 16-colour images."""
    scale = GRID / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    y = (py + (sy + 0.5) / samples) * scale
                    c = colour_at(x, y)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            if hits:
                row.append(tuple(round(v / hits) for v in acc) + (round(255 * hits / samples ** 2),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def nearest(palette, c):
    return min(range(len(palette)),
               key=lambda i: sum((palette[i][k] - c[k]) ** 2 for k in range(3)))


def palette_256(rows):
    """The image's own colours, most frequent first, cut to 256."""
    counts = {}
    for row in rows:
        for r, g, b, a in row:
            if a >= 128:
                key = (r & 0xF8, g & 0xF8, b & 0xF8)
                counts[key] = counts.get(key, 0) + 1
    colours = sorted(counts, key=lambda c: (-counts[c], c))[:255]
    return [(0, 0, 0)] + colours


def and_mask(rows, size):
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def bitmap_header(size, bits, image_bytes, colours):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, image_bytes, 0, 0, colours, 0)


def image_32(rows, size):
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask = and_mask(rows, size)
    return bitmap_header(size, 32, len(pixels) + len(mask), 0) + bytes(pixels) + mask


def image_indexed(rows, size, bits, palette):
    stride = ((size * bits + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (r, g, b, a) in enumerate(row):
            colour = (r, g, b)
            if bits == 4:
                design = list(VGA_STAND_IN)
                colour = VGA_STAND_IN[design[nearest(design, colour)]]
            index = nearest(palette, colour) if a >= 128 else 0
            if bits == 8:
                line[x] = index
            else:
                line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        pixels += line
    mask = and_mask(rows, size)
    table = bytearray()
    for r, g, b in palette + [(0, 0, 0)] * ((1 << bits) - len(palette)):
        table += bytes((b, g, r, 0))
    head = bitmap_header(size, bits, len(pixels) + len(mask), 0)
    return head + bytes(table) + bytes(pixels) + mask


def write_png(path, rows):
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)
    size = len(rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main(argv):
    if not argv or argv[0].startswith("-"):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    out = argv[0]
    png_dir = argv[argv.index("--png-dir") + 1] if "--png-dir" in argv else None
    images = []  # (size, colour count byte, bits, data)
    for size in SIZES:
        rows = render(size)
        images.append((size, 0, 32, image_32(rows, size)))
        images.append((size, 0, 8, image_indexed(rows, size, 8, palette_256(rows))))
        images.append((size, 16, 4, image_indexed(render(size, 1), size, 4, VGA16)))
        if png_dir:
            write_png(f"{png_dir}/icon-{size}.png", rows)
    offset = 6 + 16 * len(images)
    directory = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    for size, count, bits, data in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, count, 0, 1, bits, len(data), offset)
        offset += len(data)
    with open(out, "wb") as f:
        f.write(bytes(directory) + b"".join(d for *_, d in images))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
