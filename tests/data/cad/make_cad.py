#!/usr/bin/python3
"""Writes the CAD-library drawings that the DXF reader tests load: one cube (12 edges, 2 units wide,
standing on y = 0 and rising to y = -2) drawn as six 3DFACEs by ezdxf in DXF R12, R2000 and R2010.

The drawings are made so that values read like group codes or entity names: the faces sit on a layer
named "10" and on a layer named "3DFACE" (also an entry of the layer table), their colours are 30 and 33,
their line weight 30 (R2000 and later), and their handles run through 30 to 33. A LINE far from the
cube must not be read at all.

Usage: /usr/bin/python3 make_cad.py [OUTPUT_DIR]   (default: the directory of this script)
Needs Debian's python3-ezdxf; the output is byte-for-byte the same on every run.
"""
import os
import sys

import ezdxf

VERSIONS = {"R12": "cube_r12.dxf", "R2000": "cube_r2000.dxf", "R2010": "cube_r2010.dxf"}

# Corners of the cube: x and z in {-1, 1}, y 0 (floor) or -2 (top).
def corner(x, y, z):
    return (float(x), float(y), float(z))

FACES = [
    [corner(-1, 0, -1), corner(1, 0, -1), corner(1, 0, 1), corner(-1, 0, 1)],      # floor
    [corner(-1, -2, -1), corner(-1, -2, 1), corner(1, -2, 1), corner(1, -2, -1)],  # top
    [corner(-1, 0, -1), corner(-1, -2, -1), corner(1, -2, -1), corner(1, 0, -1)],  # back (z = -1)
    [corner(-1, 0, 1), corner(1, 0, 1), corner(1, -2, 1), corner(-1, -2, 1)],      # front (z = 1)
    [corner(-1, 0, -1), corner(-1, 0, 1), corner(-1, -2, 1), corner(-1, -2, -1)],  # left (x = -1)
    [corner(1, 0, -1), corner(1, -2, -1), corner(1, -2, 1), corner(1, 0, 1)],      # right (x = 1)
]


def write(version, path):
    doc = ezdxf.new(version)
    modern = version != "R12"
    # The layer "10" is made before the faces and "3DFACE" after them, which puts the faces' handles
    # on 2E..33 (R12) or 30..35 (R2000, R2010).
    doc.layers.add("10", color=30)
    msp = doc.modelspace()
    handles = []
    for i, face in enumerate(FACES):
        attribs = {"layer": "10" if i % 2 == 0 else "3DFACE", "color": 30 if i % 2 == 0 else 33}
        if modern:
            attribs["lineweight"] = 30
        handles.append(msp.add_3dface(face, dxfattribs=attribs).dxf.handle)
    layer = doc.layers.add("3DFACE", color=33)
    if modern:
        layer.dxf.lineweight = 30
    msp.add_line((5, -3, 7), (9, -9, 9), dxfattribs={"layer": "3DFACE", "color": 33})
    missing = {"30", "31", "32", "33"} - set(handles)
    if missing:
        sys.exit("%s: faces got handles %s, not all of 30..33" % (version, handles))
    doc.saveas(path)


def main():
    # ezdxf writes the R2010 class list in set order, which follows Python's string hashing: fix it.
    if os.environ.get("PYTHONHASHSEED") != "0":
        os.execve(sys.executable, [sys.executable] + sys.argv, dict(os.environ, PYTHONHASHSEED="0"))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    ezdxf.options.write_fixed_meta_data_for_testing = True  # no dates or GUIDs: same bytes every run
    for version, name in VERSIONS.items():
        write(version, os.path.join(out, name))


if __name__ == "__main__":
    main()
