#!/usr/bin/env bash
# End-to-end: a small level played through the runner with a seeded generator. The player picks up a
# gun, shoots a monster dead (its death animation runs and the record is freed), collects an ammo pack,
# reaches the exit with Up still held, sees the level-complete screen and continues into a second level,
# where the player does not drift while the loading console rolls away and stops while the window has
# lost the focus; its exit leads to the victory screen.
# Checked on the dumps and the screenshots; the same script run twice gives the same output.
set -euo pipefail
runner=$1
source "$(dirname "$0")/scratch.bash"
enter_scratch
python3 - <<'PY'
from scene import *

room_and_cube()
dxf("flat.dxf", [wall(-1, -1, 1, -1, 0.2), wall(1, -1, 1, 1, 0.2)])
defs("death.mdl", ["FRAMES=3", "SCALE=0.5", "FRAME0=cube.dxf", "FRAME1=flat.dxf", "FRAME2=flat.dxf"])
defs("monster.obj", ["MODELS=4", "MODEL0=cube.mdl", "MODEL1=cube.mdl", "MODEL2=cube.mdl", "MODEL3=death.mdl",
                     "TYPE=10", "DEFHEALTH=30", "DEFSTATE=5", "DEFRANGE=2", "WEAPON=0"])
defs("gun.obj", ["MODELS=1", "MODEL0=cube.mdl", "TYPE=3", "DEFHEALTH=1"])
defs("ammo.obj", ["MODELS=1", "MODEL0=cube.mdl", "TYPE=8", "DEFHEALTH=1"])
defs("rocket.obj", ["MODELS=1", "MODEL0=cube.mdl", "TYPE=9"])
defs("knife.wpn", ["RELOADTIME=20", "DAMAGE=2", "MODELS=2", "MODEL0=cube.mdl", "MODEL1=cube.mdl"])
defs("gun.wpn", ["SCREEN_Z_POS=2", "RELOADTIME=10", "DAMAGE=20", "MODELS=2", "MODEL0=cube.mdl", "MODEL1=cube.mdl"])
defs("arsenal.ars", ["WEAPONS=2", "WEAPON0=knife.wpn", "WEAPON1=gun.wpn", "MISSILE=rocket.obj"])
for n in ["pain", "death", "knife", "gun", "pickup", "start", "exit", "mpain", "mdeath"]:
    wav(n + ".wav", 400)
defs("level.snd", ["SOUNDS=19", "SOUND0=pain.wav", "SOUND1=pain.wav;death.wav", "SOUND2=knife.wav;knife.wav",
                   "SOUND3=gun.wav;gun.wav;pickup.wav", "SOUND8=pickup.wav;pickup.wav;pickup.wav",
                   "SOUND10=mpain.wav;mdeath.wav", "SOUND18=start.wav;exit.wav"])
defs("level1.lvl", ["MAP=ROOM.DXF", "OBJECTS=3", "OBJECT0=gun.obj;0;-7", "OBJECT1=monster.obj;0;6;0",
                    "OBJECT2=ammo.obj;0;-3", "ARSENAL=arsenal.ars", "EXITCOORD=0;4", "RESETPLAYER=1",
                    "STARTCOORD=0;-8;0", "NEXTLEVEL=level2.lvl", "SOUNDS=level.snd"])
defs("level2.lvl", ["MAP=ROOM.DXF", "EXITCOORD=0;-4", "STARTCOORD=0;-8;0", "NEXTLEVEL=WIN", "SOUNDS=level.snd"])
start_menu(["PLAY;GAME;level1.lvl", "QUIT;SCRIPT;QUIT"])
PY
cat > script.txt <<'SCRIPT'
seed 7
wait 500
press RETURN
wait 1000
dump
screenshot playing.png
# walk onto the gun
down UP
ticks 40
up UP
dump
# shoot the monster
down SPACE
ticks 30
up SPACE
dump
# its death animation runs out
ticks 60
dump
# over the ammunition pack to the exit, Up held through it and across the level-complete screen
down UP
ticks 150
dump
screenshot done.png
up UP
press RETURN
wait 500
dump
# level 2: Up held, then the focus goes (with mouse motion that must not turn the player)
down UP
ticks 10
focus lost
mouse 300 0
ticks 1
dump
ticks 30
dump
focus gained
ticks 60
up UP
press RETURN
wait 500
dump
screenshot won.png
SCRIPT
run_runner script.txt dumps.jsonl
mkdir first && mv playing.png done.png won.png first/
run_runner script.txt dumps2.jsonl
cmp dumps.jsonl dumps2.jsonl || { echo "the same script gave different dumps"; exit 1; }
for f in playing done won; do cmp "first/$f.png" "$f.png" || { echo "$f.png differs between runs"; exit 1; }; done
python3 - "$work" <<'PY'
import json, os, sys
from scene import dumps, png_pixels
work = sys.argv[1]
d = dumps(os.path.join(work, "dumps.jsonl"))
assert len(d) == 9, len(d)
start, gun, shot, freed, done, level2, away, still, won = d
texts = lambda s: [l["text"] for l in s["console"]["lines"]]
plays = lambda s: [p["buffer"] for p in s["sound"]["played"]]

assert start["GameState"] == 1, start["GameState"]
p = start["player"]
assert p["state"] == 1 and p["pos"] == [0, 0, -8] and p["weapon"] == 0, p
monster = [o for o in start["objects"] if o["type"] == 10]
assert len(monster) == 1 and monster[0]["health"] == 30, monster
mi = monster[0]["index"]

# the gun: owned, 10 rounds, selected, with its message and pickup sound (row 3 slot 2 = buffer 11)
p = gun["player"]
assert p["owned"][1] == 1 and p["ammo"][1] == 10 and p["weapon"] == 1, p
assert abs(p["pos"][2] - (-8 + 40 * 0.06)) < 1e-3, p["pos"]
assert "You found yourself a gun" in texts(gun)
assert 11 in plays(gun), plays(gun)
assert not any(o["type"] == 3 for o in gun["objects"])

# three shots in 30 ticks (reload 10), each with the gun sound (buffer 10); the monster is dying
p = shot["player"]
assert p["ammo"][1] == 7 and p["fired"] in (0, 1), p
m = [o for o in shot["objects"] if o["index"] == mi]
assert m and m[0]["state"] == 102 and m[0]["animState"] == 3 and m[0]["health"] <= 0, m
assert plays(shot).count(10) == 3, plays(shot)
assert 30 in plays(shot) and 31 in plays(shot), plays(shot)   # its pain (row 10 slot 0) and death sounds

# the death animation ran out and freed the record; it still counted while dying
assert not any(o["index"] == mi for o in freed["objects"]), freed["objects"]

# the ammunition pack and the exit
p = done["player"]
assert done["GameState"] == 4, done["GameState"]
assert p["ammo"][1] == 27 and p["ammo"][2] == 15 and p["ammo"][3] == 100 and p["ammo"][4] == 1, p["ammo"]
assert "Picked up an ammo pack" in texts(done) and "You reached the exit.. alive!" in texts(done)
assert 26 in plays(done) and 55 in plays(done), plays(done)   # ammo pickup (8, 2), exit (18, 1)
lv = done["level"]
assert lv["MonstersAtStart"] == 1 and lv["ItemsAtStart"] == 2 and lv["MonstersLeft"] == 0 and lv["ItemsLeft"] == 0, lv
assert p["score"] == 200, p["score"]   # the player alone is present: one term of 100 % + 100 %
assert abs(p["pos"][2] - 4) < 1.0, p["pos"]
# level 2 starts where its STARTCOORD says: the Up held at the exit did not walk the player on
assert level2["GameState"] == 1 and level2["console"]["state"] == 4, (level2["GameState"], level2["console"])
assert level2["player"]["pos"] == [0, 0, -8] and level2["player"]["controls"] == [0] * 16, level2["player"]
# focus lost with Up held: the controls are let go at once and nothing moves while away
assert away["flags"]["InputActive"] == 0 and away["player"]["controls"] == [0] * 16, away["player"]
assert abs(away["player"]["pos"][2] - (-8 + 10 * 0.06)) < 1e-3, away["player"]["pos"]
assert still["player"]["pos"] == away["player"]["pos"] and still["pointer"] == away["pointer"]
assert still["player"]["angles"] == level2["player"]["angles"]
assert won["GameState"] == 6, won["GameState"]

shots = {}
for f in ["playing", "done", "won"]:
    w, h, raw = png_pixels(os.path.join(work, f + ".png"))
    assert w == 640 and len(raw) > 640 * 480 * 3, (f, w, len(raw))
    shots[f] = raw
assert shots["playing"] != shots["done"] != shots["won"]
# the level-complete and victory screens are written in green
assert b"\x00\xff\x00" in shots["done"] and b"\x00\xff\x00" in shots["won"]
PY

# The same level on a pad, through the runner's pad lines: the stick walks and turns, fire shoots, and a
# pad pulled out leaves nothing held.
cat > pad.txt <<'SCRIPT'
seed 7
wait 500
press RETURN
wait 1000
pad in
pad stick 0 -100
ticks 20
dump
pad stick 0 0 100
pad fire down
ticks 5
dump
pad out
ticks 2
dump
SCRIPT
run_runner pad.txt pad.jsonl
python3 - pad.jsonl <<'PY'
import sys
from scene import dumps
walked, turned, out = dumps(sys.argv[1])
assert walked["flags"]["JoystickPresent"] == 1, walked["flags"]
assert abs(walked["player"]["pos"][2] - (-8 + 20 * 0.06)) < 0.07, walked["player"]["pos"]
assert turned["player"]["angles"][1] != walked["player"]["angles"][1], turned["player"]["angles"]
assert turned["player"]["controls"][6] == 1, turned["player"]["controls"]  # fire
assert out["flags"]["JoystickPresent"] == 0 and out["player"]["controls"] == [0] * 16, out["player"]
print("e2e game_play: ok")
PY
