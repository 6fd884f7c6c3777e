#!/usr/bin/env python3
"""Draws the launcher's icon: a blue disc with a bold white question mark.

Writes resources/tarven-help.ico with eight 32-bit images (16, 20, 24, 32, 48, 64, 128 and
256 pixels; straight alpha). The small ones are DIBs with an AND mask, which every icon reader
takes; the 256-pixel one is a PNG, as the shell expects for that size.

The shapes are signed distance fields sampled on a 4x4 grid per pixel, which gives clean edges
at every size without a drawing library. At small sizes the stroke is snapped to whole pixels so
the mark stays sharp at 16 pixels.

    python3 tools/draw_help_icon.py [--output resources/tarven-help.ico] [--preview DIR]

--preview also writes DIR/help-icon-<size>.png for looking at each image.
"""

import argparse
import math
import struct
import zlib
from pathlib import Path

SIZES = (16, 20, 24, 32, 48, 64, 128, 256)
PNG_SIZES = (256,)
GRID = 4  # samples per pixel along each axis

TOP_BLUE = (0x3D, 0x95, 0xF2)
BOTTOM_BLUE = (0x16, 0x56, 0xC4)
RIM_BLUE = (0x10, 0x44, 0xA0)
WHITE = (0xFF, 0xFF, 0xFF)


def clamp01(x):
    return 0.0 if x < 0.0 else 1.0 if x > 1.0 else x


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = clamp01(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


class Mark:
    """The question mark of one image, in pixel units (y grows downwards)."""

    def __init__(self, size):
        self.size = size
        self.cx = size / 2.0
        self.cy = size / 2.0
        margin = max(0.5, 0.03 * size)
        self.radius = size / 2.0 - margin
        r = self.radius
        stroke = 0.29 * r
        if size <= 48:
            stroke = max(2.0, float(round(stroke)))
        self.half = stroke / 2.0
        # An odd stroke width centres the stem on a pixel, an even one on a pixel boundary.
        stem_x = self.cx + (0.5 if size <= 48 and round(stroke) % 2 == 1 else 0.0)
        self.stem_x = stem_x
        self.arc_x = stem_x
        self.arc_y = self.cy - 0.30 * r
        self.arc_r = 0.31 * r
        self.arc_from = math.radians(-45.0)  # the hook's lower right end
        self.arc_to = math.radians(165.0)  # the hook's left end
        end = self.arc_point(self.arc_from)
        self.bend = end
        self.stem_top = (stem_x, self.cy + 0.06 * r)
        self.stem_bottom_y = self.cy + 0.27 * r
        self.dot_x = stem_x
        self.dot_y = self.cy + 0.60 * r
        self.dot_r = max(0.185 * r, self.half * 1.12)
        if size <= 48:
            # Keep at least one clear pixel between stem and dot.
            self.stem_bottom_y = math.floor(self.stem_bottom_y)
            self.dot_y = max(self.dot_y, self.stem_bottom_y + 1.0 + self.dot_r)
        if stroke <= 2.0:
            # A dot as wide as the stem and on the pixel grid, so it is a crisp block.
            self.dot_r = self.half + 0.1
            offset = stem_x - math.floor(stem_x)
            self.dot_y = math.ceil(self.stem_bottom_y + 1.0 + self.half - offset) + offset

    def arc_point(self, angle):
        return (self.arc_x + self.arc_r * math.cos(angle), self.arc_y - self.arc_r * math.sin(angle))

    def arc_distance(self, px, py):
        dx, dy = px - self.arc_x, self.arc_y - py
        angle = math.atan2(dy, dx)
        if self.arc_from <= angle <= self.arc_to:
            return abs(math.hypot(dx, dy) - self.arc_r)
        a = self.arc_point(self.arc_from)
        b = self.arc_point(self.arc_to)
        return min(math.hypot(px - a[0], py - a[1]), math.hypot(px - b[0], py - b[1]))

    def distance(self, px, py):
        """Signed distance to the question mark: negative inside."""
        hook = min(
            self.arc_distance(px, py),
            segment_distance(px, py, *self.bend, *self.stem_top),
            segment_distance(px, py, *self.stem_top, self.stem_x, self.stem_bottom_y + self.half),
        ) - self.half
        hook = max(hook, py - self.stem_bottom_y)  # a flat foot on the stem
        dot = math.hypot(px - self.dot_x, py - self.dot_y) - self.dot_r
        return min(hook, dot)

    def disc_distance(self, px, py):
        return math.hypot(px - self.cx, py - self.cy) - self.radius


def coverage(distance, pixel):
    """Area coverage of a sample from its signed distance (one sample spans `pixel`)."""
    return clamp01(0.5 - distance / pixel)


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def render(size):
    """Rows of (r, g, b, a) tuples with straight alpha, top row first."""
    mark = Mark(size)
    step = 1.0 / GRID
    rim = max(1.0, 0.035 * size)
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(GRID):
                py = y + (sy + 0.5) * step
                for sx in range(GRID):
                    px = x + (sx + 0.5) * step
                    d_disc = mark.disc_distance(px, py)
                    alpha = coverage(d_disc, step)
                    if alpha == 0.0:
                        continue
                    t = clamp01((py - (mark.cy - mark.radius)) / (2.0 * mark.radius))
                    colour = mix(TOP_BLUE, BOTTOM_BLUE, t)
                    # A slightly darker rim keeps the disc distinct on light backgrounds.
                    colour = mix(colour, RIM_BLUE, 0.55 * coverage(-d_disc - rim, step))
                    colour = mix(colour, WHITE, coverage(mark.distance(px, py), step))
                    acc[0] += colour[0] * alpha
                    acc[1] += colour[1] * alpha
                    acc[2] += colour[2] * alpha
                    acc[3] += alpha
            n = GRID * GRID
            a = acc[3] / n
            if a <= 0.0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(c / acc[3])) for c in acc[:3]) + (int(round(a * 255)),))
        rows.append(row)
    return rows


def png(rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def dib(rows):
    height, width = len(rows), len(rows[0])
    mask_stride = ((width + 31) // 32) * 4
    pixels = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bottom-up
        bits = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            pixels += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + bytes(pixels) + bytes(mask)


def icon_file(images):
    """images: list of (size, bytes)."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, data in images:
        side = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return directory + entries + b"".join(data for _, data in images)


def main():
    root = Path(__file__).resolve().parent.parent
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", type=Path, default=root / "resources" / "tarven-help.ico")
    parser.add_argument("--preview", type=Path, help="folder for one PNG per size")
    args = parser.parse_args()

    images = []
    for size in SIZES:
        rows = render(size)
        images.append((size, png(rows) if size in PNG_SIZES else dib(rows)))
        if args.preview:
            args.preview.mkdir(parents=True, exist_ok=True)
            (args.preview / f"help-icon-{size}.png").write_bytes(png(rows))
    args.output.write_bytes(icon_file(images))


if __name__ == "__main__":
    main()
