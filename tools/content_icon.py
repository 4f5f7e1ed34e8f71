#!/usr/bin/env python3
"""Draws the desktop icon: a wireframe corridor running to a vanishing point, its frames in the game's
blue ramp, and a green Z standing in it, on a dark rounded square. Written as RGBA PNG files at 48, 128
and 256 pixels (standard library only; the same bytes every run).

    python3 tools/content_icon.py packaging/icons
"""
import math
import os
import struct
import sys
import zlib

SIZES = (48, 128, 256)
BACKGROUND = (6, 8, 16)
CORNER = 0.14          # the rounded square's corner radius, as a share of the side

VANISH = (0.5, 0.47)   # where the corridor runs to
NEAR = (0.07, 0.09, 0.93, 0.91)  # the corridor's nearest frame: left, top, right, bottom


def frame_at(t):
    """The corridor's frame a share t of the way to the vanishing point."""
    l, tp, r, b = NEAR
    vx, vy = VANISH
    return (l + (vx - l) * t, tp + (vy - tp) * t, r + (vx - r) * t, b + (vy - b) * t)


def scene():
    """(x1, y1, x2, y2, colour, width) in unit coordinates, drawn in order."""
    lines = []
    blue = lambda k: (int(40 + 30 * k), int(70 + 60 * k), int(160 + 95 * k))
    depths = [0.0, 0.38, 0.62, 0.78]
    for i, t in enumerate(depths):
        l, tp, r, b = frame_at(t)
        c = blue(1.0 - i / len(depths))
        w = 0.022 * (1.0 - 0.5 * t)
        lines += [(l, tp, r, tp, c, w), (r, tp, r, b, c, w), (r, b, l, b, c, w), (l, b, l, tp, c, w)]
    l0, t0, r0, b0 = frame_at(depths[0])
    l1, t1, r1, b1 = frame_at(depths[-1])
    c = blue(0.7)
    for (x0, y0), (x1, y1) in [((l0, t0), (l1, t1)), ((r0, t0), (r1, t1)), ((r0, b0), (r1, b1)), ((l0, b0), (l1, b1))]:
        lines.append((x0, y0, x1, y1, c, 0.018))
    # The floor: lines running to the vanishing point, dimmer further off.
    for k in (0.3, 0.5, 0.7):
        x0 = l0 + (r0 - l0) * k
        x1 = l1 + (r1 - l1) * k
        lines.append((x0, b0, x1, b1, blue(0.25), 0.012))
    # The Z, in the weapon view's green, with a darker outline so it reads on the lines behind.
    z = [(0.3, 0.3, 0.7, 0.3), (0.7, 0.3, 0.3, 0.7), (0.3, 0.7, 0.7, 0.7)]
    for x1, y1, x2, y2 in z:
        lines.append((x1, y1, x2, y2, (0, 0, 0), 0.13))
    for x1, y1, x2, y2 in z:
        lines.append((x1, y1, x2, y2, (60, 255, 110), 0.085))
    return lines


def inside_rounded(x, y, n):
    r = CORNER * n
    cx = min(max(x, r), n - r)
    cy = min(max(y, r), n - r)
    return max(0.0, min(1.0, r + 0.5 - math.hypot(x - cx, y - cy)))


def render(n):
    rgb = [[BACKGROUND for _ in range(n)] for _ in range(n)]
    for x1, y1, x2, y2, colour, width in scene():
        ax, ay, bx, by = x1 * n, y1 * n, x2 * n, y2 * n
        half = max(0.6, width * n / 2)
        dx, dy = bx - ax, by - ay
        length2 = dx * dx + dy * dy or 1e-9
        x0, x9 = int(max(0, min(ax, bx) - half - 1)), int(min(n - 1, max(ax, bx) + half + 1))
        y0, y9 = int(max(0, min(ay, by) - half - 1)), int(min(n - 1, max(ay, by) + half + 1))
        for py in range(y0, y9 + 1):
            row = rgb[py]
            for px in range(x0, x9 + 1):
                cx, cy = px + 0.5, py + 0.5
                t = max(0.0, min(1.0, ((cx - ax) * dx + (cy - ay) * dy) / length2))
                d = math.hypot(cx - (ax + t * dx), cy - (ay + t * dy))
                cover = max(0.0, min(1.0, half + 0.5 - d))
                if cover <= 0:
                    continue
                old = row[px]
                row[px] = tuple(int(round(o + (c - o) * cover)) for o, c in zip(old, colour))
    out = bytearray()
    for py in range(n):
        out.append(0)
        for px in range(n):
            alpha = int(round(255 * inside_rounded(px + 0.5, py + 0.5, n)))
            out += bytes(rgb[py][px]) + bytes([alpha])
    return bytes(out)


def png(n, raw):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", n, n, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main(folder):
    os.makedirs(folder, exist_ok=True)
    for n in SIZES:
        with open(os.path.join(folder, "zarvo-%d.png" % n), "wb") as f:
            f.write(png(n, render(n)))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "packaging/icons")
