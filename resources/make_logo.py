#!/usr/bin/env python3
"""Draws the add-in's logo, resource 1005: 223 x 54 pixels, 8-bit RGBA, transparent background.

A benzene ring (hexagon with its inner circle) beside the name in capitals, and a rule under the name. Shapes
are drawn as thick strokes at four times the size and averaged down, so edges are smooth. Standard library
only, so it runs wherever Python does.

    make_logo.py OUTPUT.png        write the logo
    make_logo.py --check FILE.png  exit 1 unless FILE holds exactly the pixels this script draws
"""
import math
import struct
import sys
import zlib

WIDTH, HEIGHT = 223, 54
SCALE = 4
RING = (0x1A, 0x7F, 0x8E)   # teal
NAME = (0x1F, 0x3A, 0x5F)   # dark blue

# Letters as polylines in a box 0.75 wide and 1 high, y downwards.
def _arc(cx, cy, r, start, end, steps=10):
    return [(cx + r * math.cos(math.radians(start + (end - start) * i / steps)),
             cy + r * math.sin(math.radians(start + (end - start) * i / steps))) for i in range(steps + 1)]

LETTERS = {
    "U": [[(0, 0), (0, 0.625)] + _arc(0.375, 0.625, 0.375, 180, 0)[1:] + [(0.75, 0)]],
    "L": [[(0, 0), (0, 1), (0.7, 1)]],
    "N": [[(0, 1), (0, 0), (0.75, 1), (0.75, 0)]],
    "A": [[(0, 1), (0.375, 0), (0.75, 1)], [(0.16, 0.64), (0.59, 0.64)]],
    "R": [[(0, 1), (0, 0), (0.48, 0)] + _arc(0.48, 0.25, 0.25, -90, 90)[1:] + [(0, 0.5)], [(0.4, 0.5), (0.75, 1)]],
}


class Layer:
    """Coverage of one colour at four times the size."""

    def __init__(self, colour):
        self.colour = colour
        self.width, self.height = WIDTH * SCALE, HEIGHT * SCALE
        self.cover = bytearray(self.width * self.height)

    def segment(self, a, b, thickness):
        """A stroke from a to b (logo pixels) with round ends."""
        ax, ay, bx, by = a[0] * SCALE, a[1] * SCALE, b[0] * SCALE, b[1] * SCALE
        half = thickness * SCALE / 2
        dx, dy = bx - ax, by - ay
        length2 = dx * dx + dy * dy
        x0, x1 = max(0, int(min(ax, bx) - half)), min(self.width - 1, int(max(ax, bx) + half) + 1)
        y0, y1 = max(0, int(min(ay, by) - half)), min(self.height - 1, int(max(ay, by) + half) + 1)
        for y in range(y0, y1 + 1):
            py = y + 0.5
            row = y * self.width
            for x in range(x0, x1 + 1):
                px = x + 0.5
                t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
                ex, ey = px - (ax + t * dx), py - (ay + t * dy)
                if ex * ex + ey * ey <= half * half:
                    self.cover[row + x] = 1

    def polyline(self, points, thickness):
        for a, b in zip(points, points[1:]):
            self.segment(a, b, thickness)

    def alpha(self, x, y):
        """Covered share of logo pixel (x, y), 0 to 255."""
        total = 0
        for sy in range(y * SCALE, (y + 1) * SCALE):
            start = sy * self.width + x * SCALE
            total += sum(self.cover[start:start + SCALE])
        return (total * 255 + SCALE * SCALE // 2) // (SCALE * SCALE)


def draw():
    ring = Layer(RING)
    cx, cy, r = 27.0, 27.0, 21.0
    corners = [(cx + r * math.cos(math.radians(90 + 60 * i)), cy + r * math.sin(math.radians(90 + 60 * i)))
               for i in range(7)]
    ring.polyline(corners, 3.2)
    ring.polyline(_arc(cx, cy, r * 0.55, 0, 360, 48), 2.4)

    name = Layer(NAME)
    left, top, height, advance = 60.0, 8.0, 28.0, 26.0
    for i, letter in enumerate("ULNARA"):
        for stroke in LETTERS[letter]:
            name.polyline([(left + i * advance + x * height * 0.8, top + y * height) for x, y in stroke], 4.0)
    ring.segment((left, 45.5), (left + 5 * advance + 0.75 * height * 0.8, 45.5), 2.0)

    pixels = []
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            # The layers do not overlap: the first that covers a pixel gives its colour.
            for layer in (name, ring):
                a = layer.alpha(x, y)
                if a:
                    row.append(layer.colour + (a,))
                    break
            else:
                # Fully transparent pixels are white, the colour the dialogs treat as transparent as well.
                row.append((255, 255, 255, 0))
        pixels.append(row)
    return pixels


def encode(pixels):
    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def decode(data):
    """Pixels of a PNG this script wrote (8-bit RGBA, no interlace, filter 0 on every row)."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    pos, idat, header = 8, b"", None
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    if header != (WIDTH, HEIGHT, 8, 6, 0, 0, 0):
        raise ValueError("not a %d x %d RGBA picture" % (WIDTH, HEIGHT))
    raw = zlib.decompress(idat)
    stride = 1 + WIDTH * 4
    rows = []
    for y in range(HEIGHT):
        line = raw[y * stride:(y + 1) * stride]
        if line[0] != 0:
            raise ValueError("row %d uses a filter this script does not write" % y)
        rows.append([tuple(line[1 + 4 * x:5 + 4 * x]) for x in range(WIDTH)])
    return rows


def main(argv):
    if len(argv) == 3 and argv[1] == "--check":
        with open(argv[2], "rb") as f:
            same = decode(f.read()) == draw()
        print("%s: %s" % (argv[2], "current" if same else "differs from what make_logo.py draws"))
        return 0 if same else 1
    if len(argv) == 2:
        with open(argv[1], "wb") as f:
            f.write(encode(draw()))
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
