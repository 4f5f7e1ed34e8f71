#!/usr/bin/env bash
# End-to-end: the runner starts on the bundled data, the console opens, a word is typed and submitted,
# a command holding the letter C is typed at a person's speed, a failing LOAD says so, the resolution
# changes and New Game is chosen with the keys while the pointer rests on another item (and the skill it
# asks for), and the window is closed; the JSON dumps are checked. A second run loads a level from the
# console in a fresh game. A third starts at 1024 x 768 with SCALEVIEW: the start menu is the 640 x 480 one
# scaled up. Then the screen keys: at SCREENSIZE=1920x1080 the menu lies in the middle, as large as at
# 1440 x 1080, and the frames over a second of virtual time follow FRAMERATE (and the ticks, above their
# rate); with SCREENSIZE=WINDOW the screen follows the window's resizes, within 640 x 480 .. 7680 x 4320.
# Last, the bundled option pages: Options, Sound and music, Right on the sound volume (the item shows the
# new value), the mouse wheel on the music volume, and Escape back to the start menu, which then stays;
# then Options, Controls, Keys: E added to Forward, and E walks the player in New Game's first level.
set -euo pipefail
runner=$1
src=$2
source "$(dirname "$0")/scratch.bash"
enter_scratch "$src/data"
: > error.txt
cat > script.txt <<'SCRIPT'
# start-up, then wait for the console to roll away
wait 1000
dump
screenshot menu.png
press GRAVE
wait 200
dump
type FOO_BAR
dump
press RETURN
dump
screenshot shot.png
SCRIPT
# A command holding two Cs, one key every 150 ms, as a person types it: the console stays down.
python3 - >> script.txt <<'PY'
for c in "DECMUSICVOL10":
    print("press %s" % c)
    print("wait 150")
PY
cat >> script.txt <<'SCRIPT'
dump
press RETURN
type LOAD NOPE.LVL
press RETURN
dump
type RES 1024 768
press RETURN
press GRAVE
wait 600
dump
press DOWN
press UP
press RETURN
press RETURN
wait 1000
dump
press F12
press GRAVE
type SCREENSHOT
press RETURN
close
SCRIPT
run_runner script.txt dumps.jsonl
python3 - "$work" <<'PY'
import sys, os
import scene
work = sys.argv[1]
dumps = scene.dumps(os.path.join(work, "dumps.jsonl"))
assert len(dumps) == 8, len(dumps)
start, opened, typed, submitted, slow, failed, resized, game = dumps
# after start-up the console has rolled up and the hint is a notify line
assert start["console"]["state"] == 4, start["console"]
assert start["GameState"] == 0
assert start["time"] == 11000, start["time"]
assert start["ticks"] > 100 and start["frames"] > 10
hint = [l for l in start["console"]["lines"] if l["text"].startswith("=== Press")]
assert hint and hint[0]["text"] == "=== Press ` (\u00ac) to access the console ===", hint
assert 1 < hint[0]["notify"] < 250
rules = {"SOLIDWALLS": 1, "HUNTERS": 1, "AUTOPAUSE": 1, "TOTALSCORE": 1, "RETRY": 1, "CROSSHAIR": 1, "LEVELNAMES": 1,
         "AUTOMAP": 1, "SAVEGAMES": 1, "SKILL": 2, "LEVELSTATS": 1, "OWNEDSWITCH": 1}   # what the bundled config.ini turns on
values = start["settings"].pop("values")
assert start["settings"] == {"SCREENX": 640, "SCREENY": 480, "SCREENBPP": 8, "SOUNDVOL": 80,
                             "MUSICVOL": 80, "StartMenuFile": "start.mnu", "rules": rules}, start["settings"]
# every key of the registry, as the bundled config.ini sets it or at its default
assert values["START"] == "start.mnu" and values["SOUNDRATE"] == 1 and values["MOUSESENS"] == 100, values
assert all(values[r] == v for r, v in rules.items()), values
# the bundled keys: W, S, A and D walk, the arrows turn whatever mouse look says, the wheel changes weapons
binds = {"BIND_FORWARD": "W", "BIND_BACK": "S", "BIND_STRAFELEFT": "A", "BIND_STRAFERIGHT": "D",
         "BIND_TURNLEFT": "LEFT", "BIND_TURNRIGHT": "RIGHT", "BIND_NEXTWEAPON": "WHEELUP", "BIND_PREVWEAPON": "WHEELDOWN",
         "BIND_LEFT": "", "BIND_FIRE": ""}
assert all(values[k] == v for k, v in binds.items()), values
assert values["HITFEEDBACK"] == 1 and values["MENUBACK"] == 1, values
assert start["menu"]["visible"] == 1 and start["menu"]["count"] >= 1
assert start["net"]["started"] == 1
assert start["flags"]["AppActive"] == 1 and start["flags"]["InputActive"] == 1
# the pointer rests at the centre, between two items: it neither takes the selection nor plays the move sound
assert start["menu"]["selected"] == 0, start["menu"]["selected"]
assert 51 not in [p["buffer"] for p in start["sound"]["played"]], start["sound"]["played"]
# before any level has run the player is a fresh one
assert start["player"]["state"] == 1 and start["player"]["health"] == 100, start["player"]
# the grave key rolled the console down to half height
assert opened["console"]["state"] == 1 and opened["console"]["height"] == 240, opened["console"]
assert typed["console"]["input"] == "FOO_BAR", typed["console"]["input"]
last = submitted["console"]["lines"][-1]
assert last["text"] == " - Unknown Command: FOO_BAR" and last["rgb"] == [122, 122, 122] and last["notify"] == 122, last
assert submitted["console"]["input"] == ""
assert slow["console"]["state"] == 1 and slow["console"]["input"] == "DECMUSICVOL10", slow["console"]
assert slow["settings"]["MUSICVOL"] == 80
texts = lambda d: [l["text"] for l in d["console"]["lines"]]
assert failed["settings"]["MUSICVOL"] == 70, failed["settings"]
assert "Cannot open level file NOPE.LVL" in texts(failed), texts(failed)
assert texts(failed)[-1] == " - Command Failed", texts(failed)[-3:]
assert texts(failed)[-2] == "Cannot open level file NOPE.LVL"
assert failed["GameState"] == 0
assert resized["settings"]["SCREENX"] == 1024 and resized["console"]["state"] == 4, resized["console"]["state"]
assert resized["pointer"] == [512, 384], resized["pointer"]
assert resized["menu"]["selected"] == 0
# Down, Up and Enter: New Game, not the item under the resting pointer; Enter again takes the skill it
# offers; mouse look turns nobody at the start
assert game["GameState"] == 1 and game["menu"]["visible"] == 0, (game["GameState"], game["menu"])
assert game["player"]["angles"][1] == 270, game["player"]["angles"]
log = open(os.path.join(work, "error.txt"), "rb").read()
lines = log.split(b"\r\n")
# F12 and SCREENSHOT: the last frame at the screen's size, under screenshots/, numbered on
assert b"[Screenshot saved: screenshots/zarvo-0000.png]" in log and b"[Screenshot saved: screenshots/zarvo-0001.png]" in log
for n in (0, 1):
    w, h, raw = scene.png_pixels(os.path.join(work, "screenshots/zarvo-%04d.png" % n))
    assert w == 1024 and len(raw) == 768 * (1 + 1024 * 3), (w, len(raw))

assert lines[0].startswith(b"[||| Starting Zarvo.exe |||") and lines[0].endswith(b"(0ms)"), lines[0]
assert lines[1].startswith(b"[Information gets newer"), lines[1]
# the settings file is announced when it is read, just before the subsystems' first line
assert lines[2] == b"[config.ini] (0ms)", lines[2]
assert lines[3] == b"[Welcome!] (0ms)", lines[3]
png = open(os.path.join(work, "shot.png"), "rb").read()
assert png[:8] == b"\x89PNG\r\n\x1a\n" and len(png) > 1000
print("e2e console_submit: ok")
PY

# A fresh game: LOAD of a level without RESETPLAYER starts it playable (alive, 100 health, the knife).
# A file in the way of the screenshots folder gets a line instead of a screenshot.
rm -rf screenshots && : > screenshots
cat > fresh.txt <<'SCRIPT'
wait 1000
press GRAVE
type LOAD LEVEL2.LVL
press RETURN
wait 1000
press ESCAPE
press F12
dump
SCRIPT
run_runner fresh.txt fresh.jsonl
python3 - "$work" <<'PY'
import json, sys, os
d = json.loads(open(os.path.join(sys.argv[1], "fresh.jsonl")).read())
assert d["GameState"] == 1, d["GameState"]
p = d["player"]
assert p["state"] == 1 and p["health"] == 100 and p["weapon"] == 0, p
assert d["console"]["lines"][-2]["text"] == " - Command Accepted"
texts = [l["text"] for l in d["console"]["lines"]]
assert "Screenshot not saved: screenshots is not a folder" in texts, texts
print("e2e console_submit (fresh game): ok")
PY

# SCALEVIEW at 1024 x 768: the same start-up shows the start menu, its pointer and the notify lines where
# the 640 x 480 run has them, 1.6 times as large; an unknown SCALING value is reported and fit is used.
python3 - <<'PY'
lines = open("config.ini", "rb").read().split(b"\r\n")
lines = [l for l in lines if not l.startswith((b"SCREENX=", b"SCREENY="))]
open("config.ini", "wb").write(b"\r\n".join([b"SCREENX=1024", b"SCREENY=768", b"SCALEVIEW=1", b"SCALING=sharp"] + lines))
PY
printf 'wait 1000\ndump\nscreenshot menu-large.png\n' > large.txt
run_runner large.txt large.jsonl
python3 - "$work" <<'PY'
import json, sys, os
import scene
work = sys.argv[1]
small = scene.dumps(os.path.join(work, "dumps.jsonl"))[0]
large = json.loads(open(os.path.join(work, "large.jsonl")).read())
assert large["settings"]["SCREENX"] == 1024 and large["settings"]["SCREENY"] == 768, large["settings"]
texts = [l["text"] for l in large["console"]["lines"]]
assert "SCALING=sharp is not fit or integer: fit is used" in texts, texts
for a, b in zip(small["menu"]["items"], large["menu"]["items"]):
    for key in ("x", "y", "width", "height"):
        assert abs(b[key] - 1.6 * a[key]) <= 6, (key, a, b)

def box(name):
    """The box round every lit pixel of a screenshot (texts only: the menu draws no lines)."""
    return scene.lit_box(os.path.join(work, name))[2:]

for s, l in zip(box("menu.png"), box("menu-large.png")):
    assert abs(l - 1.6 * s) <= 8, (box("menu.png"), box("menu-large.png"))
print("e2e console_submit (scaled view): ok")
PY

# The screen keys. The runner has no display: the bundled DESKTOP and DISPLAY keep the classic size and
# timer, and a size or a rate of their own is taken.
screen_config() {  # screen_config KEY=VALUE...: the bundled config.ini with these screen keys instead
    python3 - "$@" <<'PY'
import sys
lines = [l for l in open("config.ini", "rb").read().split(b"\r\n") if l]
keys = [a.encode() for a in sys.argv[1:]]
drop = (b"SCREENX=", b"SCREENY=", b"SCREENSIZE=", b"SCALEVIEW=", b"FRAMERATE=", b"SCALING=")
lines = [l for l in lines if not l.startswith(drop)] + keys
open("config.ini", "wb").write(b"\r\n".join(lines) + b"\r\n")
PY
}
printf 'wait 1000\ndump\nwait 1000\ndump\nscreenshot wide.png\n' > rate.txt
for rate in CLASSIC 60 144 500; do
    screen_config SCREENSIZE=1920x1080 SCALEVIEW=1 FRAMERATE=$rate
    run_runner rate.txt "rate-$rate.jsonl"
done
screen_config SCREENSIZE=1440x1080 SCALEVIEW=1
printf 'wait 1000\nscreenshot narrow.png\n' > narrow.txt
run_runner narrow.txt narrow.jsonl
screen_config SCREENSIZE=WINDOW SCALEVIEW=1
cat > window.txt <<'SCRIPT'
wait 1000
dump
resize 1280 720
wait 100
dump
screenshot window.png
resize 300 200
wait 100
dump
resize 9000 9000
wait 100
dump
SCRIPT
run_runner window.txt window.jsonl
python3 - "$work" <<'PY'
import sys, os
import scene
work = sys.argv[1]
for rate, want in [("CLASSIC", (36, 39)), ("60", (59, 61)), ("144", (143, 145)), ("500", (165, 168))]:
    a, b = scene.dumps(os.path.join(work, "rate-%s.jsonl" % rate))
    assert b["settings"]["SCREENX"] == 1920 and b["settings"]["SCREENY"] == 1080, b["settings"]
    assert b["settings"]["values"]["SCREENSIZE"] == "1920x1080", b["settings"]["values"]["SCREENSIZE"]
    frames, ticks = b["frames"] - a["frames"], b["ticks"] - a["ticks"]
    assert want[0] <= frames <= want[1], (rate, frames, ticks)
    assert frames <= ticks, (rate, frames, ticks)
    assert 166 <= ticks <= 167, (rate, ticks)
# The 1920 x 1080 start menu is the 1440 x 1080 one, 240 pixels to the right.
box = lambda name: scene.lit_box(os.path.join(work, name))
wide, narrow = box("wide.png"), box("narrow.png")
assert wide[:2] == (1920, 1080) and narrow[:2] == (1440, 1080), (wide, narrow)
assert (wide[2] - 240, wide[3], wide[4] - 240, wide[5]) == narrow[2:], (wide, narrow)
# SCREENSIZE=WINDOW: the classic size at the start (no display), then the window's, held to the range.
sizes = [(d["settings"]["SCREENX"], d["settings"]["SCREENY"]) for d in scene.dumps(os.path.join(work, "window.jsonl"))]
assert sizes == [(640, 480), (1280, 720), (640, 480), (7680, 4320)], sizes
assert box("window.png")[:2] == (1280, 720)
print("e2e console_submit (screen keys): ok")
PY
cat > options.txt <<'SCRIPT'
wait 1000
press DOWN
press DOWN
press DOWN
press DOWN
press RETURN
press RETURN
press RIGHT
dump
press DOWN
wheel -2
wait 100
dump
press ESCAPE
press ESCAPE
dump
press ESCAPE
dump
press RETURN
press DOWN
press DOWN
press RETURN
press RETURN
press RETURN
press E
dump
press ESCAPE
press ESCAPE
press ESCAPE
press UP
press UP
press UP
press UP
press RETURN
press RETURN
wait 1500
dump
down E
ticks 100
up E
dump
SCRIPT
run_runner options.txt options.jsonl
python3 - "$work" <<'PY'
import sys, os
import scene
stepped, wheeled, back, stays, bound, entered, walked = scene.dumps(os.path.join(sys.argv[1], "options.jsonl"))
shown = lambda d: [i["shown"] for i in d["menu"]["items"]]
assert stepped["menu"]["file"] == "sound.itm", stepped["menu"]
assert shown(stepped) == ["Sound volume: 90", "Music volume: 80", "Back"], shown(stepped)
assert stepped["menu"]["items"][0]["text"] == "Sound volume: {SOUNDVOL}"
assert stepped["settings"]["SOUNDVOL"] == 90
assert shown(wheeled)[1] == "Music volume: 70" and wheeled["settings"]["MUSICVOL"] == 70, shown(wheeled)
assert back["menu"]["file"] == "main.itm" and back["menu"]["visible"] == 1, back["menu"]
assert back["menu"]["items"][back["menu"]["selected"]]["text"] == "Options", back["menu"]
assert stays["menu"]["file"] == "main.itm" and stays["menu"]["visible"] == 1, "Escape left an empty screen"
# Options, Controls, Keys: E added to Forward, which then walks the player in level 1
assert shown(bound)[0] == "Forward: UP, W, E", shown(bound)
assert bound["settings"]["values"]["BIND_FORWARD"] == "W;E", bound["settings"]["values"]["BIND_FORWARD"]
assert entered["GameState"] == 1 and entered["menu"]["visible"] == 0, (entered["GameState"], entered["menu"])
a, b = entered["player"]["pos"], walked["player"]["pos"]
assert abs(b[0] - a[0]) + abs(b[2] - a[2]) > 1, (a, b)
print("e2e console_submit (option pages): ok")
PY
