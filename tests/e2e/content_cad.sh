#!/usr/bin/env bash
# End-to-end: levels whose map and object models are the cube drawings a DXF library wrote
# (tests/data/cad: R12, R2000, R2010) load in the runner as the cube's 12 edges with its 4 floor walls,
# and no model fails to load.
set -euo pipefail
runner=$1
src=$2
source "$(dirname "$0")/scratch.bash"
enter_scratch
cp "$src"/tests/data/cad/cube_*.dxf .
python3 - <<'PY'
from scene import *
versions = ["r12", "r2000", "r2010"]
for i, v in enumerate(versions):
    other = versions[(i + 1) % 3]
    defs("cube_%s.mdl" % v, ["FRAMES=1", "SCALE=0.5", "FRAME0=cube_%s.dxf" % other])
    defs("crate_%s.obj" % v, ["MODELS=1", "MODEL0=cube_%s.mdl" % v, "TYPE=7", "DEFHEALTH=1"])
    # Upper-case level names: the console types upper case only.
    defs("CAD_%s.LVL" % v.upper(), ["MAP=cube_%s.dxf" % v, "OBJECTS=1", "OBJECT0=crate_%s.obj;3;3" % v,
                           "STARTCOORD=0;-5;0", "NEXTLEVEL=WIN"])
start_menu(["PLAY;GAME;CAD_R12.LVL", "QUIT;SCRIPT;QUIT"], win_music="none.mid")
PY
cat > script.txt <<'SCRIPT'
seed 3
wait 500
press RETURN
wait 500
dump
press GRAVE
type LOAD CAD_R2000.LVL
press RETURN
wait 500
dump
press GRAVE
type LOAD CAD_R2010.LVL
press RETURN
wait 500
dump
press GRAVE
type QUIT
press RETURN
wait 100
SCRIPT
run_runner script.txt dumps.jsonl
python3 - "$work" <<'PY'
import os, sys
from scene import dumps
work = sys.argv[1]
d = dumps(os.path.join(work, "dumps.jsonl"))
assert len(d) == 3, "want one dump per level, got %d" % len(d)
for version, dump in zip(["r12", "r2000", "r2010"], d):
    level = dump["level"]
    assert dump["GameState"] == 1, (version, dump["GameState"])
    assert level["segments"] == 12 and level["floorSegments"] == 4, (version, level)
    assert level["ItemsAtStart"] == 1 and [o["type"] for o in dump["objects"]] == [7], (version, dump["objects"])
    texts = [l["text"] for l in dump["console"]["lines"]]
    assert not any("Failed" in t or "Cannot" in t for t in texts), (version, texts)
    assert "CAD_%s.LVL" % version.upper() in texts, (version, texts)
print("e2e content_cad: ok")
PY
