#!/usr/bin/env bash
# End-to-end: the player is shot dead by an attacking monster; the death camera rises one hundredth of
# a unit and turns one degree per tick, with the death sound, until the eye is 1 unit up; the monsters
# carry on and the level keeps running. The same script run twice gives the same dumps and frames.
set -euo pipefail
runner=$1
source "$(dirname "$0")/scratch.bash"
enter_scratch
python3 - <<'PY'
from scene import *

room_and_cube()
# A sentry armed with a gun that takes more than the player's health in one hit, facing the player.
defs("monster.obj", ["MODELS=1", "MODEL0=cube.mdl", "TYPE=11", "DEFHEALTH=50", "DEFSTATE=5", "WEAPON=1"])
defs("rocket.obj", ["MODELS=1", "MODEL0=cube.mdl", "TYPE=9"])
defs("knife.wpn", ["RELOADTIME=20", "DAMAGE=2", "MODELS=1", "MODEL0=cube.mdl"])
defs("gun.wpn", ["RELOADTIME=5", "DAMAGE=400", "MODELS=1", "MODEL0=cube.mdl"])
defs("arsenal.ars", ["WEAPONS=2", "WEAPON0=knife.wpn", "WEAPON1=gun.wpn", "MISSILE=rocket.obj"])
for n in ["pain", "death", "gun", "start"]:
    wav(n + ".wav", 400)
defs("level.snd", ["SOUNDS=19", "SOUND0=pain.wav", "SOUND1=pain.wav;death.wav", "SOUND3=gun.wav;gun.wav",
                   "SOUND18=start.wav"])
defs("level1.lvl", ["MAP=ROOM.DXF", "OBJECTS=1", "OBJECT0=monster.obj;0;5;180", "ARSENAL=arsenal.ars",
                    "EXITCOORD=8;8", "RESETPLAYER=1", "STARTCOORD=0;-5;0", "NEXTLEVEL=WIN", "SOUNDS=level.snd"])
start_menu(["PLAY;GAME;level1.lvl", "QUIT;SCRIPT;QUIT"])
PY
cat > script.txt <<'SCRIPT'
seed 3
wait 500
press RETURN
wait 300
dump
ticks 50
dump
ticks 200
dump
screenshot dead.png
SCRIPT
run_runner script.txt dumps.jsonl
mv dead.png dead1.png
run_runner script.txt dumps2.jsonl
cmp dumps.jsonl dumps2.jsonl || { echo "the same script gave different dumps"; exit 1; }
cmp dead1.png dead.png || { echo "the death screen differs between runs"; exit 1; }
python3 - "$work" <<'PY'
import os, sys
from scene import dumps
work = sys.argv[1]
d = dumps(os.path.join(work, "dumps.jsonl"))
assert len(d) == 3, len(d)
dying, rising, risen = d
texts = lambda s: [l["text"] for l in s["console"]["lines"]]
plays = lambda s: [p["buffer"] for p in s["sound"]["played"]]

for s in d:
    assert s["GameState"] == 1, s["GameState"]      # death does not end the level
# shot dead: "Whoops", the counts taken (the monster still stands), the death camera under way
p = dying["player"]
assert p["state"] == 0 and p["health"] <= 0, p
assert "Whoops, you need more than a facelift now..." in texts(dying)
assert dying["level"]["MonstersLeft"] == 1 and dying["level"]["MonstersAtStart"] == 1
# terms with the running counts: the player (no monster counted yet: 100 %; no items: 100 %) 200, the
# monster (0 % + 100 %) 100, and once more with the final counts 100
assert p["score"] == 400, p["score"]
y0 = p["pos"][1]
assert 0 < y0 < 1, y0
assert 0 in plays(dying) and 10 in plays(dying), plays(dying)   # the player's pain (0, 0), the gun (3, 1)
# fifty ticks later: fifty steps up and fifty degrees round, the death sound (row 1 slot 1) every tick
p2 = rising["player"]
assert abs(p2["pos"][1] - (y0 + 0.5)) < 1e-4, (y0, p2["pos"])
assert (p2["angles"][1] - p["angles"][1]) % 360 == 50, (p["angles"], p2["angles"])
assert plays(rising).count(4) == 50, plays(rising)
# and then it stops at 1 unit: 101 steps in all, no more death sounds
p3 = risen["player"]
assert 1.0 <= p3["pos"][1] < 1.011, p3["pos"]   # 100 float steps of 0.01 stay just below 1
assert p3["angles"][1] == 101, p3["angles"]
assert plays(risen).count(4) == 101 - 50 - round(y0 / 0.01), plays(risen)
assert p3["pos"][0] == 0 and p3["pos"][2] == -5
# the monster carries on, and its shots no longer find the dead player
m = [o for o in risen["objects"] if o["type"] == 11]
assert m and m[0]["state"] != 0, m
assert 0 not in plays(rising) + plays(risen)
png = open(os.path.join(work, "dead.png"), "rb").read()
assert png[:8] == b"\x89PNG\r\n\x1a\n" and len(png) > 1000
print("e2e game_death: ok")
PY
