#!/usr/bin/python3
"""The worked example of docs/AUTHORING.md ("Levels from a CAD drawing"): annex.dxf, the floor plan of a
small level drawn the way a CAD program saves it, and a picture of it.

    /usr/bin/python3 tools/examples/make_example.py [DIR]        writes DIR/annex.dxf (default: here)
    /usr/bin/python3 tools/examples/make_example.py --picture DXF PNG

The plan, in metres, one game unit each: a hall with an apse (a polyline with a bulge), four columns (one
block inserted four times, turned), a corridor with a curved bend (an ARC) and a gallery with round
pillars (CIRCLEs); the start (an arrow block on START), the exit (a CIRCLE on EXIT), monsters, pickups and
scenery as blocks named after the bundled object types, and notes on a layer the tool ignores. The
picture draws the plan as a CAD program shows it, every layer in its colour. Needs Debian's
python3-ezdxf; the same bytes on every run.
"""
import math
import os
import struct
import sys
import zlib

import ezdxf
from ezdxf import path as ezpath

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from content_geometry import text_strokes  # noqa: E402

LAYERS = {'WALLS': 5, 'WALL-PILLARS': 4, 'START': 3, 'EXIT': 2, 'MONSTERS': 1, 'PICKUPS': 30, 'SCENERY': 6,
          'NOTES': 8}


def symbol(doc, name, radius, pointed):
    """A block drawn round its base point: a circle, a line along +X when it has a heading, its name."""
    b = doc.blocks.new(name)
    b.add_circle((0, 0), radius)
    if pointed:
        b.add_line((0, 0), (radius * 1.8, 0))
        b.add_line((radius * 1.8, 0), (radius * 1.3, radius * 0.4))
        b.add_line((radius * 1.8, 0), (radius * 1.3, -radius * 0.4))
    b.add_text(name, dxfattribs={'height': 0.6}).set_pos((-radius, -radius - 0.9))


def build(path):
    doc = ezdxf.new('R2018')
    for name, colour in LAYERS.items():
        doc.layers.add(name, color=colour)
    msp = doc.modelspace()
    walls = {'layer': 'WALLS'}
    # the hall: 25 by 20 with a door east at 7.5 .. 12.5; its south wall bulges into an apse
    msp.add_lwpolyline([(25, 12.5, 0), (25, 20, 0), (0, 20, 0), (0, 0, 0), (7.5, 0, 0.8), (17.5, 0, 0), (25, 0, 0),
                        (25, 7.5, 0)], format='xyb', dxfattribs=walls)
    # the corridor east, its bend north (an arc round (35, 17.5)) and on up to the gallery
    msp.add_line((25, 7.5), (35, 7.5), dxfattribs=walls)
    msp.add_line((25, 12.5), (35, 12.5), dxfattribs=walls)
    msp.add_arc((35, 17.5), 10, 270, 360, dxfattribs=walls)
    msp.add_arc((35, 17.5), 5, 270, 360, dxfattribs=walls)
    msp.add_line((45, 17.5), (45, 30), dxfattribs=walls)
    msp.add_line((40, 17.5), (40, 30), dxfattribs=walls)
    # the gallery: 30 by 20, entered from the south at 40 .. 45
    msp.add_lwpolyline([(40, 30), (25, 30), (25, 50), (55, 50), (55, 30), (45, 30)], dxfattribs=walls)
    # a column: one block, inserted four times turned by 45 degrees; its lines on layer 0 take the layer of
    # the INSERT
    column = doc.blocks.new('COLUMN')
    column.add_lwpolyline([(-0.8, -0.8), (0.8, -0.8), (0.8, 0.8), (-0.8, 0.8)], close=True)
    for x, y in ((8, 6), (17, 6), (8, 14), (17, 14)):
        msp.add_blockref('COLUMN', (x, y), dxfattribs={'layer': 'WALLS', 'rotation': 45})
    for x, y in ((33, 40), (47, 40)):
        msp.add_circle((x, y), 1.2, dxfattribs={'layer': 'WALL-PILLARS'})
    # the start looks east, into the hall; the exit at the far end of the gallery
    symbol(doc, 'ARROW', 0.8, True)
    msp.add_blockref('ARROW', (4, 10), dxfattribs={'layer': 'START', 'rotation': 0})
    msp.add_circle((50, 46), 1.0, dxfattribs={'layer': 'EXIT'})
    # what stands on the floor: blocks named after the object types of data/objects
    for name, pointed in (('SKITTER', True), ('WARDEN', True), ('GUN', False), ('MEDKIT', False),
                          ('AMMO', False), ('TORCH', False), ('TERMINAL', True)):
        symbol(doc, name, 0.6, pointed)
    things = [('MONSTERS', 'SKITTER', 20, 17, 225), ('MONSTERS', 'SKITTER', 20, 3, 135),
              ('MONSTERS', 'WARDEN', 42, 44, 270), ('MONSTERS', 'SKITTER', 30, 45, 315),
              ('PICKUPS', 'GUN', 12, 10, 0), ('PICKUPS', 'MEDKIT', 42, 24, 0), ('PICKUPS', 'AMMO', 29, 34, 0),
              ('SCENERY', 'TORCH', 2, 18, 0), ('SCENERY', 'TORCH', 2, 2, 0), ('SCENERY', 'TERMINAL', 53, 40, 180)]
    for layer, name, x, y, rot in things:
        msp.add_blockref(name, (x, y), dxfattribs={'layer': layer, 'rotation': rot})
    for text, x, y in (('HALL', 10, 21), ('CORRIDOR', 27, 14), ('GALLERY', 35, 51), ('APSE', 10.5, -6.5)):
        msp.add_text(text, dxfattribs={'layer': 'NOTES', 'height': 1.0}).set_pos((x, y))
    doc.saveas(path)


# ---- the picture ----------------------------------------------------------------------------------
ACI = {1: (255, 80, 80), 2: (255, 235, 60), 3: (90, 230, 90), 4: (90, 220, 230), 5: (120, 150, 255),
       6: (230, 110, 230), 7: (235, 235, 235), 8: (140, 140, 140), 30: (255, 160, 40)}


def strokes(doc, entities, m, outer, out):
    """Every entity as (colour, polyline) in drawing units, blocks inserted; text as stroke letters."""
    for e in entities:
        layer = e.dxf.get('layer', '0')
        if layer == '0' and outer:
            layer = outer
        colour = ACI.get(doc.layers.get(layer).color if layer in doc.layers else 7, ACI[7])
        kind = e.dxftype()
        if kind == 'INSERT':
            strokes(doc, doc.blocks.get(e.dxf.name), e.matrix44() * m, layer, out)
        elif kind == 'TEXT':
            h = e.dxf.height
            x0, y0 = e.dxf.insert[0], e.dxf.insert[1]
            for (u0, v0), (u1, v1) in text_strokes(e.dxf.text.upper(), h / 2):
                pts = [m.transform((x0 + u, y0 + v, 0)) for u, v in ((u0, v0), (u1, v1))]
                out.append((colour, [(p.x, p.y) for p in pts]))
        elif kind in ('LINE', 'LWPOLYLINE', 'ARC', 'CIRCLE', 'POINT'):
            if kind == 'POINT':
                p = m.transform(e.dxf.location)
                out.append((colour, [(p.x - 0.3, p.y), (p.x + 0.3, p.y)]))
                continue
            pts = [m.transform(v) for v in ezpath.make_path(e).flattening(0.02)]
            out.append((colour, [(p.x, p.y) for p in pts]))


def png(path, w, h, pixels):
    rows = b''.join(b'\x00' + bytes(pixels[y * w * 3:(y + 1) * w * 3]) for y in range(h))
    chunk = lambda kind, data: (struct.pack('>I', len(data)) + kind + data +
                                struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff))
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0)) +
                chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b''))


def picture(dxf, out, width=960):
    doc = ezdxf.readfile(dxf)
    lines = []
    strokes(doc, doc.modelspace(), ezdxf.math.Matrix44(), None, lines)
    xs = [x for _, pts in lines for x, _ in pts]
    ys = [y for _, pts in lines for _, y in pts]
    margin = 24
    scale = (width - 2 * margin) / (max(xs) - min(xs))
    height = int((max(ys) - min(ys)) * scale) + 2 * margin
    pixels = bytearray(bytes((16, 18, 28)) * (width * height))

    def dot(x, y, c):
        for dx in (0, 1):
            for dy in (0, 1):
                px, py = x + dx, y + dy
                if 0 <= px < width and 0 <= py < height:
                    pixels[(py * width + px) * 3:(py * width + px) * 3 + 3] = bytes(c)

    to = lambda p: (margin + (p[0] - min(xs)) * scale, height - margin - (p[1] - min(ys)) * scale)
    for colour, pts in lines:
        for a, b in zip(pts, pts[1:]):
            (ax, ay), (bx, by) = to(a), to(b)
            n = max(1, int(max(abs(bx - ax), abs(by - ay))))
            for i in range(n + 1):
                dot(int(ax + (bx - ax) * i / n), int(ay + (by - ay) * i / n), colour)
    png(out, width, height, pixels)


def main():
    # ezdxf writes parts of a drawing in set order, which follows Python's string hashing: fix it
    if os.environ.get('PYTHONHASHSEED') != '0':
        os.execve(sys.executable, [sys.executable] + sys.argv, dict(os.environ, PYTHONHASHSEED='0'))
    ezdxf.options.write_fixed_meta_data_for_testing = True   # no dates or GUIDs
    if sys.argv[1:2] == ['--picture']:
        picture(sys.argv[2], sys.argv[3])
        return
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    build(os.path.join(out, 'annex.dxf'))


if __name__ == '__main__':
    main()
