#!/usr/bin/env bash
# End-to-end: saved games (SAVEGAMES) through the runner.
#   Two processes: one plays a level with monsters, hunters and rockets in flight, takes a pickup, saves
#   with F6 and goes on; the other starts afresh at another time with another seed, loads with F9 from the
#   start menu and goes on with the same keys. The world digest agrees after every tick, for 300 ticks.
#   The same through the console: SAVEGAME 3 typed in one, LOADGAME 3 typed in the other.
#   The dump's `saves` lists the slots that hold a save, `stats` the level's record.
#   A slot that is empty, a save that is damaged, cut short, of another version or no save at all, and
#   one whose level files are missing or changed are refused with one line and nothing changes; a save
#   on the start menu or while dead is refused; a full disk (a file size limit) keeps the slot's save.
set -euo pipefail
runner=$1
source "$(dirname "$0")/scratch.bash"
enter_scratch
python3 - "$runner" <<'PY'
import glob, json, os, subprocess, sys
from scene import *

runner, saves = sys.argv[1], os.path.join(os.environ["XDG_DATA_HOME"], "zarvo", "saves")
# A hall with a wall across, a launcher and an ammunition pack at the start, seekers and rocket bombers.
room_and_cube()
dxf("HALL.DXF", box(-30, -30, 30, 30) + [wall(-10, 12, 10, 12)])
mon = ["MODELS=1", "MODEL0=cube.mdl", "TYPE=11", "DEFHEALTH=400", "DEFRANGE=1"]
defs("seeker.obj", mon + ["DEFSTATE=2", "WEAPON=0"])
defs("bomber.obj", mon + ["DEFSTATE=5", "WEAPON=4"])        # attacks with rockets
defs("launcher.obj", ["MODELS=1", "MODEL0=cube.mdl", "TYPE=6"])
defs("ammo.obj", ["MODELS=1", "MODEL0=cube.mdl", "TYPE=8", "DEFHEALTH=1000"])
defs("rocket.obj", ["MODELS=1", "MODEL0=cube.mdl", "TYPE=9"])
defs("knife.wpn", ["RELOADTIME=20", "DAMAGE=2", "MODELS=1", "MODEL0=cube.mdl"])
defs("gun.wpn", ["RELOADTIME=5", "DAMAGE=6", "MODELS=1", "MODEL0=cube.mdl"])
defs("launcher.wpn", ["RELOADTIME=40", "DAMAGE=0", "MODELS=2", "MODEL0=cube.mdl", "MODEL1=cube.mdl"])
defs("arsenal.ars", ["WEAPONS=5", "WEAPON0=knife.wpn", "WEAPON1=gun.wpn", "WEAPON2=gun.wpn", "WEAPON3=gun.wpn",
                     "WEAPON4=launcher.wpn", "MISSILE=rocket.obj"])
objects = ["launcher.obj;0;0", "ammo.obj;3;0", "seeker.obj;0;18;180", "seeker.obj;-15;-15;45",
           "bomber.obj;12;20;150", "bomber.obj;-20;5;270"]
defs("SAVE.LVL", ["NAME=Save Hall", "MAP=HALL.DXF", "OBJECTS=%d" % len(objects)] +
     ["OBJECT%d=%s" % (i, o) for i, o in enumerate(objects)] +
     ["ARSENAL=arsenal.ars", "EXITCOORD=28;-28", "STARTCOORD=0;0;0", "NEXTLEVEL=WIN", "RESETPLAYER=1", "PAR=30"])
defs("start.mnu", ["DEFMENU=main.itm"])
defs("main.itm", ["MENUITEMS=3", "0=PLAY;GAME;SAVE.LVL", "1=Load game;SLOTS;LOAD", "2=Save game;SLOTS;SAVE"])
rules = ["SAVEGAMES=1", "SKILL=2", "HUNTERS=1", "SOLIDWALLS=1", "TOTALSCORE=1", "LEVELSTATS=1", "AUTOPAUSE=1"]
defs("config.ini", ["START=start.mnu"] + rules)


def run(script, name, env=None):
    open(name + ".txt", "w").write(script)
    out = subprocess.run([runner, name + ".txt"], capture_output=True, text=True, env=env)
    assert out.returncode == 0, (name, out.returncode, out.stderr)
    return [json.loads(l) for l in out.stdout.splitlines() if l.startswith("{")]

texts = lambda d: [l["text"] for l in d["console"]["lines"]]
flying = lambda d: [m for m in d["missiles"] if m["index"] > 0]
monsters = lambda d: [o for o in d["objects"] if o["type"] == 11 and o["state"] not in (0, 102)]

# Both processes hold the same keys after the save: fire, walk, turn, then let go.
after = "".join("ticks 1\ndump\n" for _ in range(60))
after += "down UP\n" + "".join("ticks 1\ndump\n" for _ in range(80))
after += "mouse 40 0\n" + "".join("ticks 1\ndump\n" for _ in range(60))
after += "up SPACE\nup UP\n" + "".join("ticks 1\ndump\n" for _ in range(100))
# New Game asks for the skill: Down from the second gives the third (Hardened).
start = "seed 5\nwait 500\npress RETURN\nticks 2\npress DOWN\npress RETURN\nwait 600\n"
play = start + "ticks 2\ndump\ndown SPACE\nticks 150\n"

# ---- F6 in one process, F9 in another --------------------------------------------------------------
a = run(play + "dump\ndown F6\nticks 1\ndump\nup F6\n" + after, "a")
entered, saved = a[0], a[1]
assert entered["GameState"] == 1 and entered["settings"]["rules"]["SKILL"] == 3, entered["settings"]["rules"]
assert saved["player"]["owned"][4] == 1 and saved["stats"]["items"] >= 1, (saved["player"], saved["stats"])
assert len(flying(saved)) >= 2 and len(monsters(saved)) == 4, (flying(saved), len(monsters(saved)))
assert "Game saved in slot 0: Save Hall" in texts(a[2]), texts(a[2])[-5:]
assert a[2]["saves"][0]["slot"] == 0 and a[2]["saves"][0]["name"] == "Save Hall" and a[2]["saves"][0]["skill"] == 3
files = glob.glob(os.path.join(saves, "*", "slot0.zsav"))
assert len(files) == 1, files
size = os.path.getsize(files[0])
# The other process: another seed, another clock, the start menu; SPACE held as the first one held it.
b = run("seed 77\nwait 1234\ndown SPACE\nticks 3\ndump\ndown F9\nticks 1\ndump\nup F9\n" + after, "b")
menu, loaded = b[0], b[1]
assert menu["GameState"] == 0 and menu["settings"]["rules"]["SKILL"] == 2
assert loaded["GameState"] == 1 and not loaded["menu"]["visible"] and loaded["console"]["state"] == 4
assert loaded["settings"]["rules"]["SKILL"] == 3, "the save's skill is played by"
assert loaded["ticks"] == a[2]["ticks"], (loaded["ticks"], a[2]["ticks"])
differ = [i for i, (x, y) in enumerate(zip(a[2:], b[1:])) if x["digest"] != y["digest"]]
assert len(a) == len(b) + 1 and not differ, "the loaded game parts from the saved one at dump %s" % differ[:3]
assert any(len(flying(d)) for d in b[60:]) and b[-1]["stats"] == a[-1]["stats"], b[-1]["stats"]
moved = max(abs(x - y) for x, y in zip(b[1]["player"]["pos"], b[-1]["player"]["pos"]))
assert moved > 1 and b[-1]["player"]["angles"] != b[1]["player"]["angles"], "the player neither walked nor turned"
print("F6/F9: %d ticks alike after the load, %d rockets in flight at the save, save file %d bytes"
      % (len(b) - 1, len(flying(saved)), size))

# ---- SAVEGAME / LOADGAME typed in the console, the load from the start menu's list -------------------
a = run(play + "up SPACE\npress GRAVE\nwait 300\ntype SAVEGAME 3\npress RETURN\ndump\npress GRAVE\nwait 300\n" + after, "c")
said = texts(a[1])
assert "Game saved in slot 3: Save Hall" in said and " - Command Accepted" in said, said[-4:]
assert [s["slot"] for s in a[1]["saves"]] == [0, 3], a[1]["saves"]
b = run("seed 9\nwait 900\npress GRAVE\nwait 300\ntype LOADGAME 3\npress RETURN\ndump\n", "d")
assert b[0]["GameState"] == 1 and b[0]["console"]["state"] == 4 and b[0]["digest"] != a[1]["digest"]
assert "Loaded the game of slot 3: Save Hall" in texts(b[0]), texts(b[0])[-4:]
# The list: Load game on the start menu shows the slots; slot 3 is its fourth item.
b = run("seed 9\nwait 900\nmouse 0 -300\nticks 2\npress DOWN\npress RETURN\nticks 2\ndump\n"
        "press DOWN\npress DOWN\npress DOWN\npress RETURN\nticks 1\ndump\n", "e")
items = [i["text"] for i in b[0]["menu"]["items"]]
assert len(items) == 9 and items[1] == "1  empty" and items[3].startswith("3  Save Hall, Hardened, ") \
    and items[8] == "Back", items
assert b[1]["GameState"] == 1 and not b[1]["menu"]["visible"] and b[1]["stats"]["par"] == 30
assert [i["text"] for i in b[1]["menu"]["items"]][0] == "PLAY", "the menu behind the game is the start menu again"

# ---- what is refused: one line, nothing changes ------------------------------------------------------
def refused(slot, line, name):
    d = run("seed 9\nwait 900\ndump\npress GRAVE\nwait 300\ntype LOADGAME %d\npress RETURN\ndump\n" % slot, name)
    assert d[1]["GameState"] == 0 and d[1]["player"] == d[0]["player"] and d[1]["objects"] == d[0]["objects"], name
    said = texts(d[1])
    assert line in said and said[-1] == " - Command Failed", (name, said[-4:])

path = files[0].replace("slot0", "slot%d")
good = open(files[0], "rb").read()
refused(5, "Slot 5 is empty", "empty")
open(path % 5, "wb").write(good[:-100])
refused(5, "Saved game 5 refused: it is damaged or cut short (its checksum does not match)", "cut")
damaged = bytearray(good)
damaged[len(good) // 2] ^= 0x20
open(path % 5, "wb").write(damaged)
refused(5, "Saved game 5 refused: it is damaged or cut short (its checksum does not match)", "damaged")
open(path % 5, "wb").write(good.replace(b"zarvo-save 1\n", b"zarvo-save 2\n", 1))
refused(5, "Saved game 5 refused: it was saved by version 2; this game reads version 1", "version")
open(path % 5, "wb").write(b"MThd this is a song\n")
refused(5, "Saved game 5 refused: it is not a saved game of this game", "foreign")
os.rename("seeker.obj", "seeker.keep")
refused(0, "Saved game 0 refused: seeker.obj is missing", "missing")
os.rename("seeker.keep", "seeker.obj")
open("ammo.obj", "ab").write(b"DEFDAMAGE=1\r\n")
refused(0, "Saved game 0 refused: ammo.obj has changed since the game was saved", "changed")
defs("ammo.obj", ["MODELS=1", "MODEL0=cube.mdl", "TYPE=8", "DEFHEALTH=1000"])
d = run("seed 9\nwait 900\npress F6\ndump\n", "menusave")
assert "Nothing to save: no level is being played" in texts(d[0]) and d[0]["GameState"] == 0
assert open(files[0], "rb").read() == good, "a refused save touched the slot"

# ---- a full disk: the slot keeps its save ----------------------------------------------------------
# (the shell's file size limit, with the signal it sends ignored so that the write fails instead)
open("full.txt", "w").write(play + "press F6\ndump\n")
out = subprocess.run(["bash", "-c", "trap '' XFSZ; ulimit -f 1; exec \"$0\" full.txt", runner],
                     capture_output=True, text=True)
assert out.returncode == 0, out.stderr
d = json.loads(out.stdout.splitlines()[-1])
line = [t for t in texts(d) if t.startswith("Cannot save in slot 0")]
assert line and line[0].endswith(": the slot keeps what it held"), texts(d)[-3:]
assert open(files[0], "rb").read() == good, "the full disk cost the slot its save"
assert not os.path.exists(files[0] + ".new"), "the half-written file was left behind"
print("refusals: empty, cut short, damaged, version 2, foreign, a file missing, a file changed, the start "
      "menu, a full disk (%s)" % line[0])
PY
echo "e2e game_saves: ok"
