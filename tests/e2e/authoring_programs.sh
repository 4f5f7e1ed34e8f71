#!/usr/bin/env bash
# End-to-end: one floor plan, the guide's hall (tools/examples/hall.*: a room 30 by 40 with a round pillar of
# radius 2 straight up the plan from the start), drawn in programs that are no CAD program and converted by
# tools/zarvo-level as their authors would. Inkscape's DXF exporters run headless on its SVG (layers WALLS,
# START, EXIT; the R14 exporter writes the pillar and the start as SPLINEs, the R12 one every path, and
# only paths, as LINEs); pstoedit on its PostScript (dxf_s with colours as layers: the walls black, the start
# red, the exit green; its R9 DXF with everything on layer 0, the start and the exit given by --start-at and
# --exit-at); OpenSCAD's DXF of its solid model, checked in as OpenSCAD wrote it (LINEs on layer 0). Each
# converts, the pillar stands round where it was drawn, the level checks clean, and the player who walks up
# the plan from the start stops at the pillar. Converted without the options, pstoedit's drawing is refused
# with the layers it holds.
set -euo pipefail
runner=$1
src=$2
source "$(dirname "$0")/scratch.bash"
for program in inkscape pstoedit; do
    command -v "$program" > /dev/null || { echo "$program is not installed (bash scripts/deps.sh --test)"; exit 1; }
done
enter_scratch "$src/data"
# the classic rules: nothing hunts the walking player or pauses under the console
printf 'SCREENX=640\r\nSCREENY=480\r\nSCREENBPP=8\r\nSOUNDVOL=0\r\nMUSICVOL=0\r\nSTART=start.mnu\r\n' > config.ini
cp "$src"/tools/examples/hall.svg "$src"/tools/examples/hall.ps "$src"/tools/examples/hall_openscad.dxf .
/usr/bin/python3 - "$src/tools/zarvo-level" <<'PY'
import math, re, subprocess, sys
import scene

tool = sys.argv[1]
MM = 2            # millimetres of the drawings per game unit
PILLAR, R = (10, 25), 2

# The R12 exporter takes paths only: the hall's rectangles and circles as the paths Object to Path makes
# of them (the SVG's y runs down the page, 1 user unit is 1 mm).
def circle(m):
    cx, cy, r = (float(m.group(k)) for k in ("cx", "cy", "r"))
    return '<path d="M %g,%g A %g,%g 0 1 0 %g,%g A %g,%g 0 1 0 %g,%g Z"' % (cx - r, cy, r, r, cx + r, cy, r, r, cx - r, cy)
def rect(m):
    x, y, w, h = (float(m.group(k)) for k in ("x", "y", "w", "h"))
    return '<path d="M %g,%g H %g V %g H %g Z"' % (x, y, x + w, y + h, x)
svg = open("hall.svg").read()
svg = re.sub(r'<circle cx="(?P<cx>[\d.]+)" cy="(?P<cy>[\d.]+)" r="(?P<r>[\d.]+)"', circle, svg)
svg = re.sub(r'<rect x="(?P<x>[\d.]+)" y="(?P<y>[\d.]+)" width="(?P<w>[\d.]+)" height="(?P<h>[\d.]+)"', rect, svg)
assert "<circle" not in svg and "<rect" not in svg, svg
open("paths.svg", "w").write(svg)
# The PostScript plan without its coloured marks: what a converter that keeps no colours gives
open("plain.ps", "w").write("".join(l for l in open("hall.ps") if "setrgbcolor newpath" not in l))

def make(command):
    r = subprocess.run(command, capture_output=True, text=True)
    assert r.returncode == 0, (command, r.returncode, r.stderr)
make(["inkscape", "hall.svg", "--export-extension=org.ekips.output.dxf_outlines", "--export-filename=r14.dxf"])
make(["inkscape", "paths.svg", "--export-extension=org.inkscape.output.dxf_twelve", "--export-filename=r12.dxf"])
make(["pstoedit", "-q", "-f", "dxf_s:-mm -ctl", "hall.ps", "colours.dxf"])
make(["pstoedit", "-q", "-f", "dxf:-mm", "plain.ps", "plain.dxf"])

def convert(drawing, name, *options, units=MM):
    r = subprocess.run([tool, drawing, "--data", ".", "--name", name, "--units", str(units)] + list(options),
                       capture_output=True, text=True)
    assert r.returncode == 0 and not r.stderr, (drawing, r.returncode, r.stderr)
    return r.stdout.splitlines()

# converted as a CAD plan, pstoedit's drawing has no WALL, START or EXIT layer: the refusal names what it holds
r = subprocess.run([tool, "colours.dxf", "--data", ".", "--name", "REFUSED", "--units", str(MM)],
                   capture_output=True, text=True)
assert r.returncode == 1 and r.stderr.splitlines()[3:5] == [
    "zarvo-level: layers: C00-00-00-BLACK (5 LINE, 4 SPLINE), C00-FF-00 (4 LINE), CFF-00-00 (4 SPLINE, 1 LINE)",
    "zarvo-level: options: --walls C00-00-00-BLACK,C00-FF-00,CFF-00-00 takes the walls from the layers with lines "
    "or curves; --start LAYER takes the start from a layer holding one shape or point, --start-at X,Y puts it there "
    "(drawing units); --exit LAYER takes the exit from a layer holding one shape or point, --exit-at X,Y puts it "
    "there (drawing units)"], (r.returncode, r.stderr)
levels = {
    "INK14": convert("r14.dxf", "INK14"),
    "INK12": convert("r12.dxf", "INK12"),
    "PSCOLOUR": convert("colours.dxf", "PSCOLOUR", "--walls", "C00-00-00*", "--start", "CFF-00-00*",
                        "--exit", "C00-FF-00*"),
    "PSPLAIN": convert("plain.dxf", "PSPLAIN", "--walls", "0", "--start-at", "20,16", "--exit-at", "48,68"),
    "SCAD": convert("hall_openscad.dxf", "SCAD", "--walls", "0", "--start-at", "10,8", "--exit-at", "24,34", units=1),
}
for name, out in levels.items():
    assert "zarvo-level: start (10, 8) heading 0, exit (24, 34)" in out, (name, out)
    # the pillar is round and where it was drawn: every floor-plan piece near it lies on its circle
    walls = scene.floor_plan("maps/%s.dxf" % name.lower())
    near = [p for w in walls for p in w if math.dist(p, PILLAR) < 5]
    assert len(near) >= 24, (name, len(near))
    assert all(abs(math.dist(p, PILLAR) - R) < 0.05 for p in near), (name, sorted(math.dist(p, PILLAR) for p in near))
    assert scene.distance_to(walls, (PILLAR[0], PILLAR[1] - R)) < 0.04, name
# the SPLINEs of the R14 exporter and of dxf_s: flattened, the pieces of each curve in the summary and the level
for name in ("INK14", "PSCOLOUR"):
    curves = [l for l in levels[name] if l.startswith("zarvo-level: curves: ")]
    assert len(curves) == 1 and "SPLINEs into" in curves[0], (name, levels[name])
    text = open(name + ".LVL", "rb").read().decode()
    assert "\r\n// curves: " in text, text
PY
printf 'seed 1\nwait 500\n' > script.txt
menu="press ESCAPE"   # a level loaded from the start menu runs under the menu; later ones at once
for level in INK14 INK12 PSCOLOUR PSPLAIN SCAD; do
    out=$("$runner" --check "$level.LVL")
    [ "$out" = "$level.LVL: clean" ] || { echo "check of $level: $out"; exit 1; }
    cat >> script.txt <<SCRIPT
press GRAVE
wait 300
type LOAD $level.LVL
press RETURN
wait 1500
$menu
wait 300
down UP
ticks 400
up UP
dump
SCRIPT
    menu=""
done
run_runner script.txt dumps.jsonl
python3 - "$work" <<'PY'
import math, os, sys
from scene import dumps
walked = dumps(os.path.join(sys.argv[1], "dumps.jsonl"))
assert len(walked) == 5, len(walked)
for d in walked:
    # 400 ticks would carry the player 24 units up the plan, past the pillar 17 units ahead: it holds him
    # against its near side, 1.4 from its round wall (he slides a little along its straight pieces)
    x, _, z = d["player"]["pos"]
    assert d["GameState"] == 1 and abs(math.dist((x, z), (10, 25)) - 3.4) < 0.1 and z < 25, (d["GameState"], x, z)
print("e2e authoring_programs: ok")
PY
