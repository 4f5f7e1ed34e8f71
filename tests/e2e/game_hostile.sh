#!/usr/bin/env bash
# End-to-end: a level built to break the simulation - object files with extreme numbers, a weapon that
# reloads negatively, monsters with weapons outside the arsenal or armed with rockets, thousands of
# zero-length and overlapping walls, the player starting inside a wall. The runner must finish, every
# position must stay a number, and the sanitizer build must find nothing.
set -euo pipefail
runner=$1
source "$(dirname "$0")/scratch.bash"
enter_scratch
python3 - <<'PY'
from scene import *
out = []
for x1, z1, x2, z2 in [(-10, -10, 10, -10), (10, -10, 10, 10), (10, 10, -10, 10), (-10, 10, -10, -10)]:
    out += line(x1, z1, x2, z2) + line(x1, z1, x1, z1, 0, 3)
for i in range(3000):                      # zero-length walls on the floor
    x, z = (i % 60) * 0.3 - 9, (i // 60) * 0.3 - 9
    out += line(x, z, x, z)
for i in range(1000):                      # overlapping walls along one line
    out += line(-5 + i * 0.001, 0, 5 + i * 0.001, 0)
dxf("MAP.DXF", lines=out)
cube = []
for (x1, z1, x2, z2) in [(-1, -1, 1, -1), (1, -1, 1, 1), (1, 1, -1, 1), (-1, 1, -1, -1)]:
    cube += line(x1, z1, x2, z2) + line(x1, z1, x1, z1, 0, 2)
dxf("cube.dxf", lines=cube)
defs("cube.mdl", ["FRAMES=1", "SCALE=0.5", "FRAME0=cube.dxf"])
mon = ["MODELS=1", "MODEL0=cube.mdl", "TYPE=12"]
defs("tough.obj", mon + ["DEFHEALTH=2147483647", "DEFSTATE=5", "WEAPON=3", "DEFRANGE=99999999", "XROT=100000"])
defs("frail.obj", mon + ["DEFHEALTH=-2147483648", "DEFSTATE=7", "WEAPON=1", "DEFRANGE=0"])
defs("odd.obj", mon + ["DEFHEALTH=1000", "DEFSTATE=6", "WEAPON=99", "DEFRANGE=-3", "XROT=-100000",
                       "DEFDAMAGE=-99999999999"])
defs("rocketeer.obj", mon + ["DEFHEALTH=2147483600", "DEFSTATE=5", "WEAPON=4"])
defs("stuck.obj", ["MODELS=0", "TYPE=13", "DEFHEALTH=50", "DEFSTATE=3", "WEAPON=2"])
defs("health.obj", ["MODELS=1", "MODEL0=cube.mdl", "TYPE=7", "DEFHEALTH=2147483647"])
defs("rocket.obj", ["MODELS=1", "MODEL0=cube.mdl", "TYPE=9", "DEFHEALTH=-2147483648"])
defs("w0.wpn", ["RELOADTIME=-5", "DAMAGE=-2147483648", "MODELS=1", "MODEL0=cube.mdl"])
defs("w1.wpn", ["RELOADTIME=0", "DAMAGE=2147483647", "MODELS=1", "MODEL0=cube.mdl"])
defs("w2.wpn", ["RELOADTIME=-2147483648", "DAMAGE=10", "MODELS=1", "MODEL0=cube.mdl"])
defs("arsenal.ars", ["WEAPONS=5", "WEAPON0=w0.wpn", "WEAPON1=w1.wpn", "WEAPON2=w2.wpn", "WEAPON3=w1.wpn",
                     "WEAPON4=w0.wpn", "MISSILE=rocket.obj"])
objs = ["tough.obj;3;3;45", "frail.obj;-3;3;90", "odd.obj;0;0;0", "rocketeer.obj;0;6;180",
        "stuck.obj;5;-5;270", "health.obj;0;-2", "rocketeer.obj;-6;-6;10"]
defs("level.lvl", ["MAP=MAP.DXF", "OBJECTS=%d" % len(objs)] +
     ["OBJECT%d=%s" % (i, o) for i, o in enumerate(objs)] +
     ["ARSENAL=arsenal.ars", "EXITCOORD=100;100", "RESETPLAYER=1", "STARTCOORD=0;0;0", "NEXTLEVEL=WIN"])
defs("VOID.LVL", ["MAP=MISSING.DXF", "STARTCOORD=0;0;0"])
defs("BARE.LVL", ["MAP=BARE.DXF", "STARTCOORD=0;0;0"])
open("BARE.DXF", "w").write("0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n1\n0\nENDSEC\n0\nEOF\n")
start_menu(["PLAY;GAME;level.lvl"], spacing=None)
PY
cat > script.txt <<'SCRIPT'
seed 11
wait 500
press RETURN
wait 500
dump
down SPACE
down DOWN
down LEFT
mouse 300 0
ticks 400
dump
up DOWN
down UP
press 5
press 1
ticks 400
dump
up UP
up SPACE
press GRAVE
type LOAD VOID.LVL
press RETURN
type LOAD BARE.LVL
press RETURN
dump
SCRIPT
run_runner script.txt dumps.jsonl
python3 - "$work" <<'PY'
import math, os, sys
from scene import dumps
work = sys.argv[1]
d = dumps(os.path.join(work, "dumps.jsonl"))
assert len(d) == 4, len(d)
texts = [l["text"] for l in d[0]["console"]["lines"]]
assert "DEFDAMAGE: -99999999999 is beyond the 32-bit range, -2147483648 is used" in texts, texts
# a map that cannot be opened, and one that holds nothing to draw, each say so
texts = [l["text"] for l in d[3]["console"]["lines"]]
assert "Cannot open map file MISSING.DXF" in texts and "Map BARE.DXF holds no 3DLINE or 3DFACE" in texts, texts
d = d[:3]
assert d[0]["GameState"] == 1 and len(d[0]["objects"]) >= 4, d[0]["objects"]
for s in d:
    for r in [s["player"]] + s["objects"] + s["missiles"]:
        assert all(v is not None and math.isfinite(v) for v in r["pos"]), r
        assert all(0 <= a <= 360 for a in r["angles"]) or s is d[0], r["angles"]
    assert -2**31 <= s["player"]["health"] < 2**31
print("e2e game_hostile: ok")
PY
