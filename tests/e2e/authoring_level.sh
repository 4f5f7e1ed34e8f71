#!/usr/bin/env bash
# End-to-end: tools/zarvo-level on floor plans written by ezdxf as CAD programs save them. A room with a
# corridor (a closed LWPOLYLINE with a bulge, LINEs, an ARC, a block of walls inserted twice turned),
# drawn in tenths of a game unit, with a start, an exit, monsters and pickups: the R2018 and the R12
# drawing (POLYLINE for LWPOLYLINE) give the same level; the curves and the turned blocks are where they
# were drawn; the level loads clean; walking from the start along its heading reaches the exit; a torch
# drawn to the left of the start is on the left of the screen and a health pack drawn to the right on the
# right. Each drawing the tool must refuse gives its one line, status 1 and no file; the guide's worked
# example converts.
set -euo pipefail
runner=$1
src=$2
source "$(dirname "$0")/scratch.bash"
enter_scratch "$src/data"
# the classic rules: nothing hunts the walking player or pauses under the console
printf 'SCREENX=640\r\nSCREENY=480\r\nSCREENBPP=8\r\nSOUNDVOL=0\r\nMUSICVOL=0\r\nSTART=start.mnu\r\n' > config.ini
tool=$src/tools/zarvo-level
/usr/bin/python3 - "$tool" "$src/tools/examples/annex.dxf" <<'PY'
import math, os, re, subprocess, sys
import ezdxf
import scene

tool, example = sys.argv[1:]
S = 10   # drawing units per game unit


def plan(version, change=None):
    """The room (-10..10 square, its south wall bulging out to -15) with the corridor (-2.5..2.5 wide,
    up to 40) as one closed outline; partitions, a curved corner, two turned pillars; the start at
    (0, -5) looking up the drawing, the exit at (0, 36)."""
    doc = ezdxf.new(version)
    msp = doc.modelspace()
    outline = [(-10, -10, 0.5), (10, -10, 0), (10, 10, 0), (2.5, 10, 0), (2.5, 40, 0), (-2.5, 40, 0),
               (-2.5, 10, 0), (-10, 10, 0)]
    pts = [(x * S, y * S, b) for x, y, b in outline]
    if version == "R12":
        msp.add_polyline2d([(x, y, 0, 0, b) for x, y, b in pts], format="xyseb", close=True,
                           dxfattribs={"layer": "WALLS"})
    else:
        msp.add_lwpolyline(pts, format="xyb", close=True, dxfattribs={"layer": "WALLS"})
    for a, b in (((5, 8), (10, 8)), ((-10, 8), (-5, 8))):
        msp.add_line((a[0] * S, a[1] * S), (b[0] * S, b[1] * S), dxfattribs={"layer": "WALL-INNER"})
    msp.add_arc((10 * S, 10 * S), 4 * S, 180, 270, dxfattribs={"layer": "WALLS"})
    pillar = doc.blocks.new("PILLAR")
    for a, b in (((-1, -1), (1, -1)), ((1, -1), (1, 1)), ((1, 1), (-1, 1)), ((-1, 1), (-1, -1))):
        pillar.add_line((a[0] * S, a[1] * S), (b[0] * S, b[1] * S))     # layer 0: the INSERT's
    for x, rot in ((-5, 45), (5, 30)):
        msp.add_blockref("PILLAR", (x * S, -5 * S), dxfattribs={"layer": "WALLS", "rotation": rot,
                                                                 "xscale": 1.5, "yscale": 1.5})
    for name in ("ARROW", "SKITTER", "TORCH", "MEDKIT", "AMMO", "SKITER"):
        doc.blocks.new(name).add_line((0, 0), (S, 0))
    msp.add_blockref("ARROW", (0, -5 * S), dxfattribs={"layer": "START", "rotation": 90})
    msp.add_point((0, 36 * S), dxfattribs={"layer": "EXIT"})
    things = [("SKITTER", -7, -8, 0), ("SKITTER", 7, -8, 180), ("TORCH", -4, 6, 0), ("MEDKIT", 4, 6, 0),
              ("AMMO", 0, 20, 0)]
    for name, x, y, rot in things:
        msp.add_blockref(name, (x * S, y * S), dxfattribs={"layer": "THINGS", "rotation": rot})
    # furniture, a door and a table with an attribute, as CAD plans hold them: blocks that name no object
    # type, on layers that are no wall's
    doc.blocks.new("SOFA").add_line((-S, 0), (S, 0))
    table = doc.blocks.new("TABLE")
    table.add_circle((0, 0), 0.8 * S)
    table.add_attdef("NUMBER", (0, 0))
    door = doc.blocks.new("DOOR")
    door.add_line((0, 0), (S, 0))
    door.add_arc((0, 0), S, 0, 90)
    for x, y in ((-8, 4), (8, 4)):
        msp.add_blockref("SOFA", (x * S, y * S), dxfattribs={"layer": "FURNITURE"})
    msp.add_blockref("TABLE", (-6 * S, -2 * S), dxfattribs={"layer": "FURNITURE"}).add_attrib("NUMBER", "T1")
    msp.add_blockref("DOOR", (-2.5 * S, 30 * S), dxfattribs={"layer": "DOORS"})
    msp.add_text("HALL", dxfattribs={"layer": "NOTES"}).set_pos((0, 0))
    msp.add_line((0, 0), (S, S), dxfattribs={"layer": "DIMS"})
    msp.add_line((0, 0), (S, S), dxfattribs={"layer": "Notes"})
    if change:
        change(doc, msp)
    return doc


def run(doc, name, *options, text=None):
    """Saves the drawing (or text, the drawing's DXF as changed by hand) and converts it."""
    os.makedirs("drawings", exist_ok=True)
    path = "drawings/%s.dxf" % name.lower()
    doc.saveas(path)
    if text:
        changed = text(open(path).read())
        open(path, "w").write(changed)
    return subprocess.run([tool, path, "--data", ".", "--name", name, "--units", str(S)] + list(options),
                          capture_output=True, text=True)


def entity(kind, layer):
    return lambda doc, msp: [msp.delete_entity(e) for e in msp.query(kind) if e.dxf.layer == layer]


r = run(plan("R2018"), "CADLEVEL")
assert r.returncode == 0 and not r.stderr, (r.returncode, r.stderr)
out = r.stdout.splitlines()
assert "zarvo-level: ignored layers: DIMS, DOORS, FURNITURE, NOTES" in out, out   # each once, whatever its case
assert "zarvo-level: objects: 1 ammo, 1 exitgate, 1 medkit, 2 skitter, 1 torch" in out, out
assert "zarvo-level: ignored 4 INSERTs of 3 blocks that name no object type: DOOR, SOFA, TABLE" in out, out
level = open("CADLEVEL.LVL", "rb").read()
first = open("maps/cadlevel.dxf", "rb").read()
r12 = run(plan("R12"), "CADLEVEL")
assert r12.returncode == 0, r12.stderr
assert open("CADLEVEL.LVL", "rb").read() == level and open("maps/cadlevel.dxf", "rb").read() == first
# the R12 drawing as older DXF libraries write it, with an ENDSEC that closes no section: ezdxf's ordinary
# reader refuses it, its recovery reader reads the same level
stray = lambda t: t.replace("  0\nSECTION\n  2\nENTITIES\n", "  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n", 1)
r = run(plan("R12"), "CADLEVEL", text=stray)
assert r.returncode == 0 and r.stdout.splitlines()[0] == (
    "zarvo-level: read with ezdxf's recovery reader: the ordinary reader refused the file "
    "(DXFStructureError: found ENDSEC tag without previous SECTION tag)"), (r.returncode, r.stdout, r.stderr)
assert open("CADLEVEL.LVL", "rb").read() == level and open("maps/cadlevel.dxf", "rb").read() == first
lines = level.decode().split("\r\n")
for want in ["MAP=maps/cadlevel.dxf", "STARTCOORD=0;-5;0", "EXITCOORD=0;36", "ARSENAL=weapons/arsenal.ars",
             "NEXTLEVEL=WIN", "SOUNDS=sounds/level.snd", "OBJECTS=6", "OBJECT0=objects/skitter.obj;-7;-8;270",
             "OBJECT1=objects/skitter.obj;7;-8;90", "OBJECT5=objects/exitgate.obj;0;36;0"]:
    assert want in lines, (want, lines)

# the floor plan (y = 0), read from the map's group pairs: the bulge's deepest point, the middle of the
# curved corner and the corners of the turned, scaled pillars lie on it
walls = scene.floor_plan("maps/cadlevel.dxf")
def off(p):
    return scene.distance_to(walls, p)
corner = 10 - 4 / math.sqrt(2)
marks = [(0, -15), (corner, corner), (-5, -5 + 1.5 * math.sqrt(2)), (-5 + 1.5 * math.sqrt(2), -5)]
marks += [(5 + 1.5 * math.sqrt(2) * math.cos(math.radians(a)), -5 + 1.5 * math.sqrt(2) * math.sin(math.radians(a)))
          for a in (75, 165, 255, 345)]
for p in marks:
    assert off(p) < 0.05, (p, off(p))
# and nothing else: the plan is as long as the walls drawn (the bulge an arc of radius 12.5 over 4 atan 0.5)
length = sum(math.hypot(b[0] - a[0], b[1] - a[1]) for a, b in walls)
drawn = 120 + 12.5 * 4 * math.atan(0.5) + 10 + 2 * math.pi + 2 * 4 * 3
assert abs(length - drawn) < 0.2, (length, drawn)
open("plan.txt", "w").write("%d" % len(walls))

# refusals: each its line, status 1, nothing written
def wall_across(y, gap):
    def change(doc, msp):
        msp.add_line((-2.5 * S, y * S), (-gap / 2 * S, y * S), dxfattribs={"layer": "WALLS"})
        msp.add_line((gap / 2 * S, y * S), (2.5 * S, y * S), dxfattribs={"layer": "WALLS"})
    return change
def many(doc, msp):
    for i in range(250):
        msp.add_blockref("AMMO", ((i % 10 - 5) * S, (i // 10 % 5 - 4) * S), dxfattribs={"layer": "THINGS"})
def move_start(doc, msp):
    msp.query("INSERT[name=='ARROW']").first.dxf.insert = (9 * S, 0)
def walls_on_zero(doc, msp):
    for e in msp:
        if e.dxf.layer.upper().startswith("WALL"):
            e.dxf.layer = "0"
LAYERS = ("layers: 0 (10 LINE, 2 INSERT, 1 ARC, 1 LWPOLYLINE), DIMS (1 LINE), DOORS (1 ARC, 1 INSERT, 1 LINE), "
          "EXIT (1 POINT), FURNITURE (3 INSERT, 2 LINE, 1 ATTDEF, 1 CIRCLE), NOTES (1 LINE, 1 TEXT), START (1 INSERT), "
          "THINGS (5 INSERT)")
cases = [
    # what is missing is named with the layers found and the options that would take it from them
    ("NOSTART", entity("INSERT", "START"), [], [
        "no start: draw a POINT, an INSERT or a shape (a circle, a closed outline) on layer START",
        "layers: DIMS (1 LINE), DOORS (1 ARC, 1 INSERT, 1 LINE), EXIT (1 POINT), FURNITURE (3 INSERT, 2 LINE, "
        "1 ATTDEF, 1 CIRCLE), NOTES (1 LINE, 1 TEXT), THINGS (5 INSERT), WALL-INNER (2 LINE), WALLS (8 LINE, "
        "2 INSERT, 1 ARC, 1 LWPOLYLINE)",
        "options: --start LAYER takes the start from a layer holding one shape or point, --start-at X,Y puts it "
        "there (drawing units)"]),
    ("NOEXIT", entity("POINT", "EXIT"), [], [
        "no exit: draw a POINT, an INSERT or a shape (a circle, a closed outline) on layer EXIT"]),
    ("NOWALLS", walls_on_zero, [], [
        "no walls: draw lines, polylines, arcs, circles, ellipses or splines on a layer whose name starts with WALL",
        LAYERS,
        "options: --walls 0,DIMS,DOORS,FURNITURE,NOTES takes the walls from the layers with lines or curves"]),
    ("NOWALLS", walls_on_zero, ["--walls", "0", "--start", "0"], [
        "layer 0 is named by --walls and is the start's layer too: give the start with --start-at X,Y"]),
    ("INWALL", move_start, [], ["the start (9, 0) is inside a wall: 1.00 units from one, the player needs 1.4"]),
    ("NARROW", wall_across(20, 2), [],
     ["the exit (0, 36) cannot be reached from the start (0, -5) by a player of radius 1.4"]),
    ("CROWD", many, [], ["256 objects with the exit gate: a level holds at most 245"]),
    ("TYPO", lambda doc, msp: msp.add_blockref("SKITER", (0, 0), dxfattribs={"layer": "THINGS"}), ["--strict"],
     ['block "SKITER" names no object type: is it skitter? (--strict refuses it)']),
]
for name, change, options, lines in cases:
    r = run(plan("R2018", change), name, *options)
    got = r.stderr.splitlines()
    assert (r.returncode, r.stdout) == (1, "") and got[:len(lines)] == ["zarvo-level: " + l for l in lines], (
        name, r.returncode, got)
    assert not os.path.exists(name + ".LVL") and not os.path.exists("maps/%s.dxf" % name.lower()), name
# walls on layer 0, named so; a block named close to an object type is only a warning without --strict
r = run(plan("R2018", walls_on_zero), "ZERO", "--walls", "0")
assert r.returncode == 0, r.stderr
assert open("ZERO.LVL", "rb").read().replace(b"zero", b"cadlevel").replace(b"ZERO", b"CADLEVEL") == level
# curves a CAD program draws: an ELLIPSE pillar and a SPLINE wall become straight pieces that stay within
# 0.03 of the curve, and the summary and the level count them
def curves(doc, msp):
    msp.add_ellipse((-6 * S, 2 * S), major_axis=(1.5 * S, 0), ratio=0.5, dxfattribs={"layer": "WALLS"})
    msp.add_open_spline([(5 * S, 1 * S), (6 * S, 3 * S), (8 * S, 2 * S), (8.5 * S, 0)], degree=3,
                        dxfattribs={"layer": "WALLS"})
drawing = plan("R2018", curves)
r = run(drawing, "CURVES")
assert r.returncode == 0, r.stderr
said = [l for l in r.stdout.splitlines() if l.startswith("zarvo-level: curves: ")]
assert len(said) == 1 and re.fullmatch(r"zarvo-level: curves: 1 ELLIPSE into (\d+) straight pieces \(\1\), "
                                       r"1 SPLINE into (\d+) straight pieces \(\2\), none farther than 0\.03 "
                                       r"from its curve", said[0]), said
assert ("\r\n// curves: %s\r\n" % said[0][len("zarvo-level: curves: "):]).encode() in open("CURVES.LVL", "rb").read()
walls = scene.floor_plan("maps/curves.dxf")
for e in drawing.modelspace().query("ELLIPSE SPLINE"):
    tool_ = e.construction_tool()
    for p in (tool_.vertices([i * 2 * math.pi / 16 for i in range(16)]) if e.dxftype() == "ELLIPSE"
              else tool_.points([i * tool_.max_t / 16 for i in range(17)])):
        assert scene.distance_to(walls, (p.x / S, p.y / S)) < 0.035, (e.dxftype(), p)
r = run(plan("R2018", cases[-1][1]), "TYPO")
assert r.returncode == 0 and ('zarvo-level: warning: block "SKITER" names no object type: is it skitter? '
                              '(--strict refuses it)') in r.stdout.splitlines(), (r.returncode, r.stdout, r.stderr)
# a gap a little wider than the player lets him through
assert run(plan("R2018", wall_across(20, 3)), "WIDE").returncode == 0
# the guide's worked example converts as the guide shows
r = subprocess.run([tool, example, "--data", ".", "--name", "ANNEX"], capture_output=True, text=True)
assert r.returncode == 0 and r.stdout.splitlines()[2:] == [
    "zarvo-level: start (4, 10) heading 270, exit (50, 46)",
    "zarvo-level: objects: 1 ammo, 1 exitgate, 1 gun, 1 medkit, 3 skitter, 1 terminal, 2 torch, 1 warden",
    "zarvo-level: ignored layers: NOTES"], (r.returncode, r.stdout, r.stderr)
PY
cat > script.txt <<'SCRIPT'
seed 5
wait 500
press GRAVE
wait 300
type LOAD CADLEVEL.LVL
press RETURN
wait 1500
press ESCAPE
wait 300
dump
screenshot start.png
down UP
ticks 720
up UP
dump
SCRIPT
run_runner script.txt dumps.jsonl
python3 - "$work" <<'PY'
import os, sys
from scene import dumps, png_pixels
work = sys.argv[1]
start, walked = dumps(os.path.join(work, "dumps.jsonl"))
assert start["GameState"] == 1, start["GameState"]
texts = [l["text"] for l in start["console"]["lines"]]
assert not any(w in t for t in texts for w in ("Failed", "Cannot", "Warning", "holds no")), texts
p = start["player"]
assert p["pos"] == [0, 0, -5] and p["angles"][1] == 0, p
# the monsters have begun to move about; the rest stand where they were drawn
kinds = sorted((o["type"], round(o["pos"][0]), round(o["pos"][2])) for o in start["objects"] if o["type"] != 10)
assert kinds == [(1, 0, 36), (7, 4, 6), (8, 0, 20), (14, -4, 6)], kinds
assert [o["type"] for o in start["objects"]].count(10) == 2, start["objects"]
assert start["level"]["floorSegments"] == int(open(os.path.join(work, "plan.txt")).read()), start["level"]
assert walked["GameState"] == 4, (walked["GameState"], walked["player"]["pos"])
assert abs(walked["player"]["pos"][0]) < 0.01, walked["player"]["pos"]

# the torch (drawn red) to the left of the middle, the health pack (yellow) to its right
w, h, raw = png_pixels(os.path.join(work, "start.png"))
stride = 1 + 3 * w
red, yellow = [], []
for y in range(h):
    row = raw[y * stride + 1:(y + 1) * stride]
    for x in range(w):
        r_, g, b = row[3 * x:3 * x + 3]
        if r_ > 60 and g < r_ // 3 and b < r_ // 3:
            red.append(x)
        elif r_ > 60 and g > 60 and b < min(r_, g) // 3:
            yellow.append(x)
assert len(red) > 20 and len(yellow) > 20, (len(red), len(yellow))
assert max(red) < w // 2 < min(yellow), (min(red), max(red), min(yellow), max(yellow))
PY

# --check: the converted levels are clean; so is every bundled level (content_definitions.sh); each
# fault planted in a copy of level 1 and in a level of two rooms is named, and the status is 1
for level in CADLEVEL.LVL ANNEX.LVL; do
    out=$("$runner" --check "$level")
    [ "$out" = "$level: clean" ] || { echo "check of $level: $out"; exit 1; }
done
python3 - <<'PY'
import scene
s = open("LEVEL1.LVL", "rb").read().decode("latin-1")
s = s.replace("NAME=Outpost\r\n", "NAME=Outpost\r\nMUSC=music/level1.mid\r\nOBJECT16=objects/gun.obj;1;1;0\r\n"
              "STARTCORD=1;1;0\r\nOBJETCS=3\r\nOBJECT01=objects/gun.obj;1;1;0\r\n")
s = s.replace("objects/ammo.obj;35;5;0", "objects/ammo.obj;2000000000;5;0")
s = s.replace("objects/terminal.obj;35;45;0", "objects/termnal.obj;35;45;0")
s = s.replace("objects/gun.obj;15;40;0", "objects/gun.obj;-500;40;0")
s = s.replace("NEXTLEVEL=LEVEL2.LVL", "NEXTLEVEL=LEVEL9.LVL")
open("BROKEN.LVL", "wb").write(s.encode("latin-1"))
o = open("objects/ammo.obj", "rb").read().replace(b"TYPE=8", b"TYEP=8")
open("objects/ammo2.obj", "wb").write(o)
# two rooms side by side without a door: the exit and a monster in the second; the start on a wall
scene.room_and_cube()
scene.dxf("maps/tworooms.dxf", scene.box(-10, -10, 10, 10) + scene.box(12, -10, 32, 10))
scene.defs("TWO.LVL", ["MAP=maps/tworooms.dxf", "OBJECTS=2", "OBJECT0=objects/warden.obj;25;0;0",
                       "OBJECT1=objects/ammo2.obj;0;5;0", "STARTCOORD=0;-9;0", "EXITCOORD=28;0"])
open("LF.LVL", "w").write("NAME=x\nMAP=maps/tworooms.dxf\n")
# a map of triangles as mesh converters write them (each 3DFACE's fourth corner repeats its third) whose
# only corners at y = 0 are those repeated ones, each spike's base given twice (once reversed): there is
# no floor plan, so nothing is said of paths
spikes = []
for i in range(6):
    b0, b1 = (2 * i, 1.5, 0), (2 * i + 2, 1.5, 0)
    spikes += [[b0, b1, (2 * i + 1, 0, 3), (2 * i + 1, 0, 3)], [b1, b0, (2 * i + 1, 3, -3), (2 * i + 1, 3, -3)]]
scene.dxf("maps/mesh.dxf", spikes)
scene.defs("MESH.LVL", ["MAP=maps/mesh.dxf", "STARTCOORD=0;-9;0", "EXITCOORD=28;0"])
# a pillar far from the start and the exit, a spike touching the floor beside it: the walls do not close
# round the start, and the exit is reached for all that
scene.dxf("maps/pillar.dxf", scene.box(20, 20, 22, 22) + spikes[:1])
scene.defs("PILLAR.LVL", ["MAP=maps/pillar.dxf", "STARTCOORD=0;0;0", "EXITCOORD=0;30"])
PY
# config.ini's keys are checked against the settings the game reads
cp config.ini config.ini.kept
printf 'SOLIDWALL=1\r' >> config.ini
set +e
"$runner" --check BROKEN.LVL > broken.txt; broken=$?
cp config.ini.kept config.ini
"$runner" --check TWO.LVL > two.txt; two=$?
"$runner" --check LF.LVL > lf.txt; lf=$?
"$runner" --check MESH.LVL > mesh.txt; mesh=$?
"$runner" --check PILLAR.LVL > pillar.txt; pillar=$?
"$runner" --check 2> usage.txt; usage=$?
set -e
grep -q "takes one level file" usage.txt
python3 - "$broken" "$two" "$lf" "$usage" "$mesh" "$pillar" <<'PY'
import sys
assert sys.argv[1:] == ["1", "1", "1", "2", "1", "1"], sys.argv[1:]
def lines(name, level):
    out = open(name).read().splitlines()
    assert all(l.startswith(level + ": ") for l in out), out
    return [l[len(level) + 2:] for l in out]
def has(out, *words):
    assert any(all(w in l for w in words) for l in out), (words, out)
b = lines("broken.txt", "BROKEN.LVL")
has(b, "Cannot open object file objects/termnal.obj")
has(b, "no level key is named MUSC", "(MUSIC?)")
has(b, "OBJECT16 is not read", "OBJECTS=16")
has(b, "no level key is named STARTCORD", "(STARTCOORD?)")
has(b, "no level key is named OBJETCS", "(OBJECTS?)")
has(b, "no level key is named OBJECT01", "(OBJECT1?)")
has(b, "OBJECT15 (objects/ammo.obj) at (2e+09, 5) lies outside the walls")
has(b, "NEXTLEVEL LEVEL9.LVL cannot be opened")
has(b, "OBJECT2 (objects/gun.obj) at (-500, 40) lies outside the walls")
has(b, "config.ini: line", "no config key is named SOLIDWALL", "(SOLIDWALLS?)")
assert len(b) == 11, b  # the missing terminal's model line besides; no fault of the walls
t = lines("two.txt", "TWO.LVL")
has(t, "the start (0, -9) is within 1.4 of a wall")
has(t, "the exit (28, 0) cannot be reached")
has(t, "OBJECT0 (objects/warden.obj) at (25, 0)", "never reach the player")
has(t, "objects/ammo2.obj: line", "no object key is named TYEP", "(TYPE?)")
assert len(t) == 4, t
has(lines("lf.txt", "LF.LVL"), "lines end with a line feed only")
why = "(a 3DFACE with a corner given twice, as triangle meshes are written, or a 3DLINE to its own start)"
assert lines("mesh.txt", "MESH.LVL") == [
    "the map has no floor plan (no segment lies at y = 0 with its ends apart): there are no walls; its drawing "
    "gives 48 segments: 12 zero-length %s, 6 a second time (kept once)" % why], open("mesh.txt").read()
assert lines("pillar.txt", "PILLAR.LVL") == [
    "1 zero-length segment lies at y = 0 %s: it stops nothing" % why,
    "the walls do not close around the start: the player can walk out of the level"], open("pillar.txt").read()
PY
echo "e2e authoring_level: ok"
