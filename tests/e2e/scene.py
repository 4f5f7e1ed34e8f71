# Helpers shared by the runner scripts and tests/campaign_bot.py: write definition files, DXF drawings and
# WAV files for a small test level (and the room, cube and start menu most of them use), read definition
# files as the game does, and read the runner's dumps and PNG screenshots.
import json
import struct
import zlib


def defs(name, lines):
    open(name, "wb").write("".join(l + "\r\n" for l in lines).encode())


def def_lines(raw):
    """The lines of a definition file as the game reads them: CR ends a line, LF is dropped, text after the
    last CR is never read, at most 255 lines."""
    return raw.replace(b"\n", b"").split(b"\r")[:-1][:255]


def read_defs(path):
    """The key/value table of a definition file as the game reads it: the lines of def_lines, '/' in byte 0
    or 1 makes a comment, the last '=' splits, the earliest of duplicate keys wins."""
    table = {}
    for line in def_lines(open(path, "rb").read()):
        if line[:2].find(b"/") >= 0 or b"=" not in line:
            continue
        k, _, v = line.rpartition(b"=")
        table.setdefault(k.decode("latin-1"), v.decode("latin-1"))
    return table


def face(corners):
    """A 3DFACE of four (x, y, z) corners, as DXF lines."""
    out = ["0", "3DFACE"]
    for c, (x, y, z) in enumerate(corners):
        out += ["1%d" % c, str(x), "2%d" % c, str(y), "3%d" % c, str(z)]
    return out


def line(x1, z1, x2, z2, y1=0, y2=0):
    """A 3DLINE, as DXF lines."""
    return ["0", "3DLINE", "10", repr(x1), "20", repr(y1), "30", repr(z1),
            "11", repr(x2), "21", repr(y2), "31", repr(z2)]


def dxf(name, faces=(), lines=()):
    """A drawing of 3DFACEs (lists of four corners) followed by entity lines (from line()), then EOF."""
    out = []
    for f in faces:
        out += face(f)
    out += list(lines) + ["0", "EOF"]
    open(name, "w").write("\n".join(out) + "\n")


def wall(x1, z1, x2, z2, h=3):
    return [(x1, 0, z1), (x2, 0, z2), (x2, h, z2), (x1, h, z1)]


def box(x0, z0, x1, z1, h=3):
    """The four walls around the rectangle [x0, x1] x [z0, z1], from (x0, z0) round by (x1, z0)."""
    return [wall(x0, z0, x1, z0, h), wall(x1, z0, x1, z1, h), wall(x1, z1, x0, z1, h), wall(x0, z1, x0, z0, h)]


def room_and_cube():
    """ROOM.DXF, walls 3 high round the 20 x 20 square about the origin; cube.dxf, a box 2 wide and 2 high;
    cube.mdl, the cube at half size."""
    dxf("ROOM.DXF", box(-10, -10, 10, 10))
    dxf("cube.dxf", box(-1, -1, 1, 1, 2))
    defs("cube.mdl", ["FRAMES=1", "SCALE=0.5", "FRAME0=cube.dxf"])


def start_menu(items, spacing=40, win_music=None):
    """config.ini starting the game on start.mnu, whose items file main.itm holds the items (TEXT;ACTION;
    ARGUMENT) spaced `spacing` apart (None: no ITEMSPACING), and its WINMIDI when one is given."""
    defs("start.mnu", ["DEFMENU=main.itm"] + (["WINMIDI=" + win_music] if win_music else []))
    defs("main.itm", ["MENUITEMS=%d" % len(items)] + (["ITEMSPACING=%d" % spacing] if spacing else []) +
         ["%d=%s" % (i, item) for i, item in enumerate(items)])
    defs("config.ini", ["START=start.mnu"])


def wav(name, n):
    data = bytes(128 + (40 if (i // 20) % 2 else -40) for i in range(n))
    fmt = struct.pack("<HHIIHH", 1, 1, 11025, 11025, 1, 8)
    body = b"WAVE" + b"fmt " + struct.pack("<I", 16) + fmt + b"data" + struct.pack("<I", len(data)) + data
    open(name, "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)


def floor_plan(path):
    """The floor plan of a level drawing written as pairs of lines: every 3DLINE with both ends at y = 0, as
    ((x1, z1), (x2, z2))."""
    pairs = open(path).read().split("\n")
    pairs = list(zip(pairs[0::2], pairs[1::2]))
    walls, cur = [], None
    for code, v in pairs + [("0", "EOF")]:
        if code == "0":
            if cur and cur["20"] == cur["21"] == 0:
                walls.append(((cur["10"], cur["30"]), (cur["11"], cur["31"])))
            cur = {} if v == "3DLINE" else None
        elif cur is not None and code in ("10", "20", "30", "11", "21", "31"):
            cur[code] = float(v)
    return walls


def distance_to(walls, p):
    """How far the point p = (x, z) lies from the nearest of the walls."""
    best = 1e9
    for (ax, az), (bx, bz) in walls:
        dx, dz = bx - ax, bz - az
        t = max(0, min(1, ((p[0] - ax) * dx + (p[1] - az) * dz) / ((dx * dx + dz * dz) or 1)))
        best = min(best, ((ax + t * dx - p[0]) ** 2 + (az + t * dz - p[1]) ** 2) ** 0.5)
    return best


def dumps(path):
    """The runner's state dumps, one JSON object a line."""
    return [json.loads(l) for l in open(path)]


def png_pixels(path):
    """Width, height and the filtered rows (a filter byte, then the pixels) of a PNG file."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "%s is not a PNG" % path
    pos, idat, w, h = 8, b"", 0, 0
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if kind == b"IHDR": w, h = struct.unpack(">II", data[pos + 8:pos + 16])
        if kind == b"IDAT": idat += data[pos + 8:pos + 8 + n]
        pos += 12 + n
    return w, h, zlib.decompress(idat)


def lit_box(path):
    """Width and height of a screenshot, and the box round its lit pixels: x0, y0, x1, y1 (exclusive).
    The rows are taken as stored unfiltered, as the game writes them."""
    w, h, raw = png_pixels(path)
    stride, xs, ys = 1 + 3 * w, [], []
    for y in range(h):
        row = raw[y * stride + 1:(y + 1) * stride]
        lit = [i // 3 for i in range(0, len(row), 3) if row[i] or row[i + 1] or row[i + 2]]
        if lit:
            xs += [lit[0], lit[-1]]
            ys.append(y)
    return w, h, min(xs), min(ys), max(xs) + 1, max(ys) + 1
