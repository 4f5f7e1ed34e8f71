#!/usr/bin/env bash
# End-to-end: start menu (a GAME item whose level is missing leaves the menu up; the keys choose while the
# pointer rests on another item) -> GAME -> play -> ESC pause -> ESC resume -> LOAD another level -> END
# back to the menu -> QUIT, on small data written here, checked on the runner's dumps.
set -euo pipefail
runner=$1
source "$(dirname "$0")/scratch.bash"
enter_scratch
python3 - <<'PY'
from scene import *
room_and_cube()
defs("monster.obj", ["MODELS=1", "MODEL0=cube.mdl", "TYPE=10", "DEFHEALTH=50", "DEFSTATE=1", "WEAPON=1"])
defs("health.obj", ["MODELS=1", "MODEL0=cube.mdl", "TYPE=7", "DEFHEALTH=1"])
defs("rocket.obj", ["MODELS=1", "MODEL0=cube.mdl", "TYPE=9"])
defs("gun.wpn", ["SCREEN_Z_POS=2", "SCREEN_Y_ROT=-12.7", "RELOADTIME=10", "DAMAGE=20", "MODELS=2",
                 "MODEL0=cube.mdl", "MODEL1=cube.mdl"])
defs("arsenal.ars", ["WEAPONS=2", "WEAPON0=gun.wpn", "WEAPON1=gun.wpn", "MISSILE=rocket.obj"])
defs("level1.lvl", ["MAP=ROOM.DXF", "OBJECTS=3", "OBJECT0=monster.obj;5;5;90", "OBJECT1=health.obj;-3;2",
                    "OBJECT3=health.obj;1;1", "ARSENAL=arsenal.ars", "EXITCOORD=8;8", "RESETPLAYER=1",
                    "STARTCOORD=0;-5;0", "NEXTLEVEL=LEVEL2.LVL"])
defs("LEVEL2.LVL", ["MAP=ROOM.DXF", "OBJECTS=1", "OBJECT0=health.obj", "STARTCOORD=1;2", "NEXTLEVEL=WIN"])
start_menu(["PLAY;GAME;level1.lvl", "QUIT;SCRIPT;QUIT", "BROKEN;GAME;nope.lvl"], win_music="none.mid")
PY
cat > script.txt <<'SCRIPT'
seed 7
wait 1000
dump
press DOWN
press DOWN
press RETURN
wait 600
dump
press UP
press UP
press RETURN
wait 1000
dump
down ESCAPE
ticks 1
dump
up ESCAPE
ticks 1
dump
press ESCAPE
dump
press GRAVE
type LOAD LEVEL2.LVL
press RETURN
wait 1000
dump
press GRAVE
type END
press RETURN
wait 300
dump
type QUIT
press RETURN
wait 100
dump
SCRIPT
run_runner script.txt dumps.jsonl
python3 - "$work" <<'PY'
import os, sys
from scene import dumps
work = sys.argv[1]
d = dumps(os.path.join(work, "dumps.jsonl"))
assert len(d) == 8, "the program quits before the last dump: %d dumps" % len(d)
menu, broken, playing, esc, paused, resumed, level2, back = d
assert menu["GameState"] == 0 and menu["menu"]["visible"] == 1 and menu["menu"]["count"] == 3
# the pointer rests at the centre, over QUIT: it does not take the selection
assert menu["menu"]["selected"] == 0 and menu["pointer"] == [320, 240]
# a GAME item whose level cannot be loaded: the menu stays up and usable, the console rolls away, and
# the reason is a notify line on screen
assert broken["GameState"] == 0 and broken["menu"]["visible"] == 1 and broken["menu"]["selected"] == 2
assert broken["console"]["state"] == 4, broken["console"]["state"]
why = [l for l in broken["console"]["lines"] if l["text"] == "Cannot open level file nope.lvl"]
assert why and why[0]["notify"] > 1, broken["console"]["lines"][-4:]
# GAME loaded level 1 and hid the menu
assert playing["GameState"] == 1 and playing["menu"]["visible"] == 0, (playing["GameState"], playing["menu"])
p = playing["player"]
assert p["state"] == 1 and p["health"] == 100 and p["pos"][0] == 0 and p["pos"][2] == -5, p
objs = {o["index"]: o for o in playing["objects"]}
assert sorted(objs) == [1, 2], sorted(objs)          # OBJECT3 is past OBJECTS=3's numbers and never read
assert objs[1]["type"] == 10                                        # it may have started to walk already
assert objs[1]["weapon"] == 1 and objs[1]["health"] == 50
assert playing["level"]["MonstersAtStart"] == 1 and playing["level"]["ItemsAtStart"] == 1
assert playing["level"]["ExitPoint"] == [8, 8]
assert playing["weapons"][0]["screenRot"][1] == -12 and playing["weapons"][0]["reloadTime"] == 10
assert playing["NextLevelFile"] == "LEVEL2.LVL"
assert [m["index"] for m in playing["missiles"]] == [0], playing["missiles"]
texts = [l["text"] for l in playing["console"]["lines"]]
assert "Here we go.." in texts and "=========================================" in texts
# ESC shows the menu at once, the pause follows one tick later
assert esc["menu"]["visible"] == 1 and esc["GameState"] == 1
assert paused["GameState"] == 2
assert resumed["menu"]["visible"] == 0 and resumed["GameState"] == 1
# LOAD from the console: level 2 keeps the player (no RESETPLAYER), takes the new start, WIN next
assert level2["GameState"] == 1 and level2["NextLevelFile"] == "WIN"
assert level2["player"]["pos"][0] == 1 and level2["player"]["pos"][2] == 2 and level2["player"]["health"] == 100
assert [o["index"] for o in level2["objects"]] == [1]
# END: back at the start menu, the world cleared
assert back["GameState"] == 0 and back["menu"]["visible"] == 1 and back["objects"] == []
print("e2e content_flow: ok")
PY
