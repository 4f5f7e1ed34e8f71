#!/usr/bin/env bash
# End-to-end: the rules and aids beyond the classic game, each played through the runner twice, with
# its config.ini key on and with the classic config (the key absent), so that every check also shows
# what the classic game does instead.
#   SOLIDWALLS  a gunner and a seeker behind a wall neither hit nor see the player, his shots stop at the
#               wall; a rocket bursts at the wall and hurts the monster on its side only
#   HUNTERS     a seeker 15 units away closes the distance
#   AUTOPAUSE   nothing moves while the loading console rolls, while the window has no focus and while
#               the console is down
#   TOTALSCORE  the exit adds kills % + inventory % + health, carried into the next level and shown on
#               the victory screen; a level that resets the player starts at 0
#   RETRY       after the death camera a continue key gives back the level as it was entered
#   CROSSHAIR, AUTOMAP, LEVELNAMES  pixels in screenshots, the level's name as a notify line
#   HITFEEDBACK a gunner ahead on the left, then on the right: the screen's edge glows red and a red mark
#               points to his side; none of it in the classic game
set -euo pipefail
runner=$1
source "$(dirname "$0")/scratch.bash"
enter_scratch
python3 - "$runner" <<'PY'
import json, math, os, subprocess, sys
from scene import *

runner = sys.argv[1]

# ---- the level set ----
room_and_cube()
dxf("ROOM.DXF", box(-20, -20, 20, 20))
dxf("WALLED.DXF", box(-20, -20, 20, 20) + [wall(-15, 4, 15, 4)])
dxf("HALL.DXF", box(-30, -30, 30, 30))
mon = ["MODELS=1", "MODEL0=cube.mdl", "TYPE=11", "DEFHEALTH=100", "DEFRANGE=1"]
defs("gunner.obj", mon + ["DEFSTATE=5", "WEAPON=1"])          # attacks with the gun
defs("seeker.obj", mon + ["DEFSTATE=2", "WEAPON=0"])          # seeks, armed with the knife
defs("post.obj", ["MODELS=0", "TYPE=11", "DEFHEALTH=100", "DEFSTATE=2", "WEAPON=0"])  # cannot move
defs("gun.obj", ["MODELS=1", "MODEL0=cube.mdl", "TYPE=3"])
defs("launcher.obj", ["MODELS=1", "MODEL0=cube.mdl", "TYPE=6"])
defs("medkit.obj", ["MODELS=1", "MODEL0=cube.mdl", "TYPE=7", "DEFHEALTH=20"])
defs("rocket.obj", ["MODELS=1", "MODEL0=cube.mdl", "TYPE=9"])
defs("knife.wpn", ["RELOADTIME=20", "DAMAGE=2", "MODELS=1", "MODEL0=cube.mdl"])
defs("gun.wpn", ["RELOADTIME=5", "DAMAGE=6", "MODELS=1", "MODEL0=cube.mdl"])
defs("deadly.wpn", ["RELOADTIME=5", "DAMAGE=400", "MODELS=1", "MODEL0=cube.mdl"])
defs("launcher.wpn", ["RELOADTIME=50", "DAMAGE=0", "MODELS=1", "MODEL0=cube.mdl"])
arsenal = lambda name, gun: defs(name, ["WEAPONS=5", "WEAPON0=knife.wpn", "WEAPON1=" + gun, "WEAPON2=gun.wpn",
                                        "WEAPON3=gun.wpn", "WEAPON4=launcher.wpn", "MISSILE=rocket.obj"])
arsenal("arsenal.ars", "gun.wpn")
arsenal("deadly.ars", "deadly.wpn")

def level(name, map_, objects, start, exit_=(18, 18), nxt="WIN", extra=(), ars="arsenal.ars"):
    defs(name, ["MAP=" + map_, "OBJECTS=%d" % len(objects)] +
         ["OBJECT%d=%s" % (i, o) for i, o in enumerate(objects)] +
         ["ARSENAL=" + ars, "EXITCOORD=%d;%d" % exit_, "STARTCOORD=%d;%d;%d" % start, "NEXTLEVEL=" + nxt] +
         list(extra))

reset = ["RESETPLAYER=1"]
level("WALLS.LVL", "WALLED.DXF", ["gun.obj;0;0", "gunner.obj;0;8;180", "seeker.obj;0;10;180"], (0, 0, 0),
      extra=reset)
level("ROCKET.LVL", "WALLED.DXF", ["launcher.obj;0;0", "post.obj;1;2;0", "post.obj;1;6;0"], (0, 0, 0),
      extra=reset)
level("HUNT.LVL", "HALL.DXF", ["seeker.obj;0;15;90"], (0, 0, 0), exit_=(28, -28), extra=reset)
level("PAUSE.LVL", "ROOM.DXF", ["gunner.obj;0;8;180"], (0, 0, 0), extra=reset)
level("SCORE1.LVL", "ROOM.DXF", ["medkit.obj;0;2"], (0, 0, 0), exit_=(0, 4), nxt="SCORE2.LVL", extra=reset)
level("SCORE2.LVL", "ROOM.DXF", [], (0, 0, 0), exit_=(0, 4))
level("ENTER.LVL", "ROOM.DXF", ["gun.obj;0;0", "medkit.obj;0;1"], (0, 0, 0), exit_=(0, 3), nxt="DIE.LVL",
      extra=reset)
level("DIE.LVL", "ROOM.DXF", ["gunner.obj;0;8;180"], (0, 0, 180), ars="deadly.ars")
level("AIDS.LVL", "ROOM.DXF", ["gun.obj;0;0", "seeker.obj;0;6;0"], (0, 0, 0), exit_=(-10, 12),
      extra=reset + ["NAME=Test Yard"])
level("HURTL.LVL", "ROOM.DXF", ["gunner.obj;-6;6;225"], (0, 0, 0), extra=reset)
level("HURTR.LVL", "ROOM.DXF", ["gunner.obj;6;6;135"], (0, 0, 0), extra=reset)
defs("start.mnu", ["DEFMENU=main.itm"])

def play(lvl, rule, script, name):
    """Runs the script with the level behind the menu's first item, with and without the rule."""
    defs("main.itm", ["MENUITEMS=1", "0=PLAY;GAME;" + lvl])
    result = {}
    for on in (True, False):
        defs("config.ini", ["START=start.mnu"] + (rule if on else []))
        open("script.txt", "w").write("seed 5\nwait 500\n" + script)
        out = subprocess.run([runner, "script.txt"], capture_output=True, text=True)
        assert out.returncode == 0, (name, out.returncode, out.stderr)
        dumps = [json.loads(l) for l in out.stdout.splitlines() if l.startswith("{")]
        values = dumps[0]["settings"]["values"]
        for r in rule:
            assert values[r.split("=")[0]] == (int(r.split("=")[1]) if on else 0), (name, values)
        result[on] = dumps
        for shot in ["plain", "hit", "map", "turned", "nocross", "hurt"]:
            try:
                os.replace(shot + ".png", "%s-%s.png" % (shot, "on" if on else "off"))
            except FileNotFoundError:
                pass
    return result[True], result[False]

def monster(d, i):
    return next(o for o in d["objects"] if o["index"] == i)
texts = lambda d: [l["text"] for l in d["console"]["lines"]]

# ---- SOLIDWALLS: shots, sight ----
dumps = "".join("ticks 40\ndump\n" for _ in range(8))
on, off = play("WALLS.LVL", ["SOLIDWALLS=1"], "press RETURN\nwait 600\ndown SPACE\n" + dumps, "walls")
assert all(d["player"]["health"] == 100 for d in on), [d["player"]["health"] for d in on]
assert all(monster(d, 2)["health"] == 100 for d in on), "the player's shots passed the wall"
assert all(monster(d, 3)["state"] == 2 for d in on), [monster(d, 3)["state"] for d in on]
assert on[-1]["player"]["ammo"][1] < 10, "the player never fired"
assert min(d["player"]["health"] for d in off) < 100 and monster(off[-1], 2)["health"] < 100
assert any(monster(d, 3)["state"] != 2 for d in off), "the classic seeker should see through the wall"

# ---- SOLIDWALLS: a rocket bursting at the wall ----
on, off = play("ROCKET.LVL", ["SOLIDWALLS=1"], "press RETURN\nwait 600\npress SPACE\nticks 60\ndump\n", "rocket")
near, far = monster(on[0], 2), monster(on[0], 3)
# the burst at (0, 3.95): the post 2.2 away on the near side takes 80 * (1 - 2.2 / 3) = 21, the one
# behind the wall nothing
assert 18 <= 100 - near["health"] <= 22 and far["health"] == 100, (near["health"], far["health"])
flying = lambda d: [m for m in d["missiles"] if m["index"] > 0]
assert flying(on[0]) == [], on[0]["missiles"]
assert monster(off[0], 2)["health"] == 100 and monster(off[0], 3)["health"] == 100
assert len(flying(off[0])) == 1, "the classic rocket flies on through the wall"

# ---- HUNTERS ----
dist = lambda d: math.dist(d["player"]["pos"][::2], monster(d, 1)["pos"][::2])
on, off = play("HUNT.LVL", ["HUNTERS=1"], "press RETURN\nwait 600\n" + "ticks 100\ndump\n" * 15, "hunt")
# it comes within its 10-unit line of sight, where the classic states take over (attack, evade)
assert min(dist(d) for d in on) < 9.5, [round(dist(d), 1) for d in on]
assert all(abs(dist(d) - 15) < 0.01 for d in off), [round(dist(d), 1) for d in off]

# ---- AUTOPAUSE ----
script = """press RETURN
ticks 3
dump
focus lost
wait 1500
dump
focus gained
wait 300
ticks 300
dump
press GRAVE
ticks 5
dump
ticks 300
dump
"""
on, off = play("PAUSE.LVL", ["AUTOPAUSE=1"], script, "pause")
rolling, unfocused, running, down, still = on
assert rolling["console"]["state"] != 4 and rolling["player"]["health"] == 100
assert monster(rolling, 1)["controls"] == [0] * 16, "a monster acted under the loading console"
assert unfocused["player"]["health"] == 100 and unfocused["ticks"] > rolling["ticks"] + 100
assert running["player"]["health"] < 100, "the level should run once the focus is back"
assert still["player"]["health"] == down["player"]["health"]
assert monster(still, 1)["pos"] == monster(down, 1)["pos"] and still["ticks"] >= down["ticks"] + 300
assert off[1]["player"]["health"] < 100, "the classic game runs on without focus"

# ---- TOTALSCORE ----
walk = "down UP\nticks 100\nup UP\ndump\n"
script = "press RETURN\nwait 600\n" + walk + "press SPACE\nwait 600\ndump\n" + walk + \
    "press SPACE\nwait 300\ndump\npress SPACE\nwait 300\npress RETURN\nwait 600\ndump\n"
on, off = play("SCORE1.LVL", ["TOTALSCORE=1"], script, "score")
done1, entered2, done2, won, again = on
assert done1["GameState"] == 4 and done1["player"]["health"] == 120
assert done1["player"]["score"] == 100 + 100 + 120, done1["player"]["score"]
assert entered2["player"]["score"] == 320 and done2["player"]["score"] == 640, done2["player"]["score"]
assert won["GameState"] == 6 and won["player"]["score"] == 640, (won["GameState"], won["player"]["score"])
assert again["GameState"] == 1 and again["player"]["score"] == 0, "a level that resets the player"
assert off[0]["player"]["score"] == 200 and off[1]["player"]["score"] == 0, "the classic score"

# ---- RETRY ----
script = """press RETURN
wait 600
down SPACE
ticks 12
up SPACE
down UP
ticks 60
up UP
dump
press SPACE
ticks 30
dump
press RETURN
dump
ticks 200
dump
press RETURN
dump
"""
on, off = play("ENTER.LVL", ["RETRY=1"], script, "retry")
entered, dying, early, risen, again = on
e = entered["player"]
assert entered["GameState"] == 4 and e["health"] == 120 and 0 < e["ammo"][1] < 10, e
assert dying["player"]["state"] == 0 and dying["player"]["pos"][1] < 1, dying["player"]
assert early["player"]["state"] == 0, "a retry before the death camera has risen"
assert risen["player"]["state"] == 0 and risen["player"]["pos"][1] >= 1
p = again["player"]
assert p["state"] == 1 and p["pos"] == [0, 0, 0] and p["angles"][1] == 180, p
assert [p[k] for k in ("health", "ammo", "owned", "weapon")] == [e[k] for k in ("health", "ammo", "owned", "weapon")]
assert monster(again, 1)["pos"] == [0, 0, 8], monster(again, 1)
assert off[-1]["player"]["state"] == 0, "the classic game stays on the death screen"

# ---- CROSSHAIR, AUTOMAP, LEVELNAMES ----
script = """press RETURN
wait 600
dump
screenshot plain.png
down SPACE
ticks 2
up SPACE
wait 60
screenshot hit.png
press TAB
ticks 10
screenshot map.png
press GRAVE
type MAPROTATE
press RETURN
press GRAVE
wait 600
screenshot turned.png
press GRAVE
type TOGGLECROSSHAIR
press RETURN
press GRAVE
wait 600
press TAB
ticks 10
screenshot nocross.png
dump
"""
on, off = play("AIDS.LVL", ["CROSSHAIR=1", "AUTOMAP=2", "LEVELNAMES=1"], script, "aids")
assert "Test Yard" in texts(on[0]) and "Test Yard" not in texts(off[0])

def image(name):
    w, h, raw = png_pixels(name)
    stride = 1 + 3 * w
    return lambda x, y: tuple(raw[y * stride + 1 + 3 * x: y * stride + 4 + 3 * x]), w, h

px, w, h = image("plain-on.png")
cx, cy = w // 2, h // 2
WHITE, RED, GREEN, YELLOW = (255, 255, 255), (252, 0, 0), (0, 195, 0), (200, 200, 0)
assert px(cx - 5, cy) == WHITE and px(cx, cy + 5) == WHITE and px(cx - 8, cy - 8) != RED
px, _, _ = image("hit-on.png")
assert px(cx - 8, cy - 8) == RED, "no hit mark"
px, _, _ = image("nocross-on.png")
assert px(cx - 5, cy) != WHITE, "TOGGLECROSSHAIR left the crosshair on"
for name in ["plain-off.png", "hit-off.png"]:
    px, _, _ = image(name)
    assert px(cx - 5, cy) != WHITE and px(cx - 8, cy - 8) != RED, name

side = min(w, h) * 3 // 4 & ~1
left, top = (w - side) // 2, (h - side) // 2
def colours(name):
    px, _, _ = image(name)
    seen = {}
    for y in range(top + 1, top + side - 1):
        for x in range(left + 1, left + side - 1):
            c = px(x, y)
            seen[c] = seen.get(c, 0) + 1
    return seen, px
seen, px = colours("map-on.png")
assert seen.get((0, 0, 0), 0) > side * side // 2, "the panel is not cleared"
assert seen.get(GREEN, 0) > 200 and seen.get(RED, 0) > 0 and seen.get(YELLOW, 0) > 0, seen
assert px(cx, cy - 7) == WHITE or px(cx, cy - 8) == WHITE, "no arrow heading north"
turned, _ = colours("turned-on.png")
assert turned.get(GREEN, 0) > 200
seen, _ = colours("map-off.png")
assert seen.get(GREEN, 0) == 0 and seen.get((0, 0, 0), 0) < side * side, "Tab shows a map in the classic game"

# ---- HITFEEDBACK: the glow at the edge and the mark toward the shooter ----
def reds(name):
    """Red pixels (red well above green and blue) in the left and the right half of the screenshot."""
    px, w, h = image(name)
    halves = [0, 0]
    for y in range(0, h, 2):
        for x in range(w):
            r, g, b = px(x, y)
            if r >= 60 and r > 2 * g + 20 and r > 2 * b + 20:
                halves[x >= w // 2] += 1
    return halves
script = "press RETURN\nwait 600\nticks 60\nscreenshot hurt.png\ndump\n"
marks = {}
for lvl in ["HURTL.LVL", "HURTR.LVL"]:
    on, off = play(lvl, ["HITFEEDBACK=1"], script, "hurt")
    assert on[-1]["player"]["health"] < 100 and off[-1]["player"]["health"] < 100, "the gunner never hit"
    marks[lvl] = reds("hurt-on.png")
    assert sum(reds("hurt-off.png")) == 0, ("the classic game shows the hurt", reds("hurt-off.png"))
left, right = marks["HURTL.LVL"], marks["HURTR.LVL"]
assert min(left + right) > 100, ("no red edge", marks)
assert left[0] > left[1] + 50 and right[1] > right[0] + 50, ("the mark points the wrong way", marks)
print("e2e game_rules: ok")
PY
