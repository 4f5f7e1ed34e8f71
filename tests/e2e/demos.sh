#!/usr/bin/env bash
# End-to-end: demo recordings. The recordings committed in tests/demos (made with the real binary) replay
# in the runner to their digests; a runner session recorded with --record replays to the same digest;
# a recording of another format version is refused with one line; a truncated or corrupt recording
# replays as far as it is valid and says where it stopped; a recording whose inputs were tampered with
# is told apart, with the ticks between which the worlds part; an unwritable or full file leaves the game
# running unrecorded.
set -euo pipefail
runner=$1
src=$2
source "$(dirname "$0")/scratch.bash"
enter_scratch "$src/data"

replay() {  # replay FILE EXPECTED_STATUS [runner options]: stderr kept in replay.err, dump in replay.json
    local file=$1 want=$2
    shift 2
    set +e
    "$runner" "$@" "$file" > replay.json 2> replay.err
    local code=$?
    set -e
    if [ "$code" -ne "$want" ]; then
        echo "replay of $file exited $code, wanted $want"; cat replay.err; exit 1
    fi
}

# The committed recordings, in the game they were played in: the classic campaign kept in
# tests/demos/classic (its levels, drawings and definitions; sounds and music play no part in a replay).
shopt -s nullglob
demos=("$src"/tests/demos/*.zdemo)
mkdir classic
cp -r "$src/tests/demos/classic/." classic/
for demo in "${demos[@]}"; do
    (cd classic && replay "$demo" 0 --dump && cp replay.json replay.err ..)
    grep -q "replay matches the recording" replay.err
    cp replay.json "final-$(basename "$demo" .zdemo).json"
    echo "$(basename "$demo"): $(cat replay.err)"
done

# A replay's event log counts from the recording's own start: never below 0, and the same on every replay.
if [ -f "$src/tests/demos/level1.zdemo" ]; then
    for run in 1 2; do
        : > classic/error.txt
        (cd classic && replay "$src/tests/demos/level1.zdemo" 0)
        cp classic/error.txt "log$run.txt"
    done
    rm classic/error.txt
    [ "$(grep -c . log1.txt)" -gt 20 ] || { echo "the replay logged nothing"; exit 1; }
    if grep -q '(-[0-9]*ms)' log1.txt; then echo "negative log times:"; grep '(-' log1.txt | head -3; exit 1; fi
    cmp log1.txt log2.txt || { echo "two replays wrote different logs"; exit 1; }
fi

# They hold no rule beyond the classic game, so they replay the classic game whatever config.ini turns on,
# at their own screen size and frame timer whatever the screen keys say.
for key in SOLIDWALLS HUNTERS AUTOPAUSE TOTALSCORE RETRY CROSSHAIR LEVELNAMES AUTOMAP SCALEVIEW NEARCLIP; do
    printf '%s=1\r\n' "$key" >> classic/config.ini
done
printf 'SCREENSIZE=1920x1080\r\nFRAMERATE=144\r\n' >> classic/config.ini
grep -q '^SCREENSIZE=1920x1080' classic/config.ini && ! grep -q '^SCREENSIZE=DESKTOP' classic/config.ini
for demo in "${demos[@]}"; do
    (cd classic && replay "$demo" 0 --dump && cp replay.err replay.json ..)
    grep -q "replay matches the recording" replay.err
    python3 - "$(basename "$demo" .zdemo)" <<'PY'
import json, sys
d = json.loads(open("replay.json").read().strip().split("\n")[-1])
first = json.loads(open("final-%s.json" % sys.argv[1]).read().strip().split("\n")[-1])
v = d["settings"]["values"]
assert (d["settings"]["SCREENX"], d["settings"]["SCREENY"]) == (640, 480), d["settings"]
assert v["FRAMERATE"] == 0 and v["SCALEVIEW"] == 0 and v["NEARCLIP"] == 0, v
assert d["frames"] == first["frames"], (d["frames"], first["frames"])
PY
done

# What each of them shows: kills and pickups in level 1, a death, a level change.
python3 - <<'PY'
import json, os
final = lambda name: json.loads(open("final-%s.json" % name).read().strip().split("\n")[-1])
if os.path.exists("final-level1.json"):
    d = final("level1")
    kills = d["level"]["MonstersAtStart"] - len([o for o in d["objects"] if 10 <= o["type"] <= 13])
    picked = d["level"]["ItemsAtStart"] - len([o for o in d["objects"] if 2 <= o["type"] <= 8])
    assert kills >= 1 and picked >= 2 and d["player"]["owned"][1] == 1, (kills, picked)
if os.path.exists("final-death.json"):
    assert final("death")["player"]["state"] == 0
if os.path.exists("final-levels.json"):
    d = final("levels")
    assert d["GameState"] == 1 and d["NextLevelFile"] == "LEVEL3.LVL", (d["GameState"], d["NextLevelFile"])
PY

# A runner session with every kind of input, recorded and replayed (at the skill chosen in New Game's question).
cat > session.txt <<'SCRIPT'
seed 99
wait 800
press RETURN
press DOWN
press RETURN
wait 1200
down UP
mouse -30 4
ticks 150
button 0 down
ticks 100
button 0 up
press 2
down SPACE
ticks 120
focus lost
mouse 50 0
wait 200
focus gained
up UP
up SPACE
down W
ticks 40
up W
down LEFT
ticks 80
up LEFT
dump
close
SCRIPT
# Recorded with a player's options that change what the input does; replayed without them.
cp config.ini config.plain
printf 'BIND_FORWARD=W\r\nMOUSESENS=150\r\n' >> config.ini
"$runner" --record session.zdemo session.txt > session.json
cp config.plain config.ini
replay session.zdemo 0 --dump
grep -q "replay matches the recording" replay.err
python3 - <<'PY'
import json
recorded = json.loads(open("session.json").read())
replayed = json.loads(open("replay.json").read())
# the world the script left and the world the replay ends with are the same
assert recorded["digest"] == replayed["digest"], (recorded["digest"], replayed["digest"])
assert recorded["player"] == replayed["player"] and recorded["objects"] == replayed["objects"]
lines = open("session.zdemo").read().split("\n")
assert lines[0] == "zarvo-demo 1", lines[0]
assert "seed 99" in lines and "focus lost" in lines and "focus gained" in lines and "button 0 down" in lines
assert "mouse 50 0" not in lines, "motion while the focus was away is not read, so not recorded"
# the bundled config.ini turns rules on: the recording carries them, and its replay played by them
assert "set SOLIDWALLS 1" in lines and "set HUNTERS 1" in lines and "set TOTALSCORE 1" in lines and "set AUTOMAP 1" in lines
assert "set SKILL 2" in lines and "set SAVEGAMES 1" in lines, "the skill and the saved games are rules too"
# the skill asked by New Game (Hardened, below the Regular offered) is chosen again as the replay goes
assert recorded["settings"]["rules"]["SKILL"] == 3 and replayed["settings"]["rules"]["SOLIDWALLS"] == 1
assert replayed["settings"]["rules"]["SKILL"] == 3, replayed["settings"]["rules"]
assert "set BIND_FORWARD 17" in lines and "set MOUSESENS 150" in lines
assert lines[-2].startswith("check "), lines[-3:]
PY

# Recorded on a screen of today's: the size, the scaled view, the frame rate and the near cut go into the
# header, and the replay, with none of them in its config.ini, is drawn as the game was (the same frames).
# (a key's first line counts: the bundled screen keys are taken out first)
sed -i '/^\(SCREENSIZE\|SCALEVIEW\|FRAMERATE\|NEARCLIP\)=/d' config.ini
printf 'SCREENSIZE=1920x1080\r\nSCALEVIEW=1\r\nFRAMERATE=144\r\nNEARCLIP=1\r\n' >> config.ini
"$runner" --record wide.zdemo session.txt > wide.json
cp config.plain config.ini
replay wide.zdemo 0 --dump
grep -q "replay matches the recording" replay.err
for line in "set SCREENX 1920" "set SCREENY 1080" "set SCALEVIEW 1" "set FRAMERATE 144" "set NEARCLIP 1"; do
    grep -qx "$line" wide.zdemo || { echo "the recording lacks: $line"; exit 1; }
done
python3 - <<'PY'
import json
recorded, replayed = json.loads(open("wide.json").read()), json.loads(open("replay.json").read())
assert recorded["digest"] == replayed["digest"]
assert (replayed["settings"]["SCREENX"], replayed["settings"]["SCREENY"]) == (1920, 1080), replayed["settings"]
assert replayed["settings"]["values"]["FRAMERATE"] == 144
assert replayed["frames"] == recorded["frames"], (replayed["frames"], recorded["frames"])
PY
# A window the screen follows: the recording says where it went, and the replay goes there too.
sed -i '/^SCREENSIZE=/d' config.ini
printf 'SCREENSIZE=WINDOW\r\n' >> config.ini
printf 'wait 800\nresize 1280 720\nwait 300\nresize 1024 700\nwait 200\ndump\n' > window.txt
"$runner" --record window.zdemo window.txt > window.json
cp config.plain config.ini
grep -qx "resize 1280 720" window.zdemo && grep -qx "resize 1024 700" window.zdemo
replay window.zdemo 0 --dump
grep -q "replay matches the recording" replay.err
python3 -c "
import json
d = json.loads(open('replay.json').read())
assert (d['settings']['SCREENX'], d['settings']['SCREENY']) == (1024, 700), d['settings']"
# A size of the range is taken, a size beyond it refused in one line; a resize beyond it is no valid line.
sed 's/^set SCREENX .*/set SCREENX 7681/' session.zdemo > wider.zdemo
replay wider.zdemo 2
[ "$(wc -l < replay.err)" -eq 1 ] && grep -q "SCREENX 7681 is not a screen size of the game" replay.err
sed 's/^resize 1280 720$/resize 1280 99999/' window.zdemo > badresize.zdemo
replay badresize.zdemo 4
grep -q "is not valid (not a recording line: resize 1280 99999)" replay.err

# Another version: refused with one line, before anything starts.
sed '1s/.*/zarvo-demo 2/' session.zdemo > v2.zdemo
replay v2.zdemo 2
[ "$(wc -l < replay.err)" -eq 1 ] && grep -q "is a zarvo-demo 2 recording; this build replays version 1 only" replay.err
# A screen size the game does not have (it would be a frame of 2000000000 x 480): refused the same way.
sed 's/^set SCREENX .*/set SCREENX 2000000000/' session.zdemo > huge.zdemo
replay huge.zdemo 2
[ "$(wc -l < replay.err)" -eq 1 ] && grep -q "SCREENX 2000000000 is not a screen size of the game" replay.err

# Truncated: replays as far as it goes, then says where the recording ends.
head -n 400 session.zdemo > cut.zdemo
replay cut.zdemo 4
grep -q "ends at line 400 without its check line; replayed to tick" replay.err

# A corrupt line: replayed up to it.
awk 'NR == 300 { print "pass twelve" } { print }' session.zdemo > bad.zdemo
replay bad.zdemo 4
grep -q "line 300 is not valid (not a recording line: pass twelve)" replay.err

# Tampered input: one fire press fewer. The digests differ and the marks tell where the worlds part.
python3 - <<'PY'
lines = open("session.zdemo").read().split("\n")
i = lines.index("down SPACE")
del lines[i]
open("tampered.zdemo", "w").write("\n".join(lines))
PY
replay tampered.zdemo 3
grep -q "replay differs from the recording: digest [0-9a-f]\{16\} at tick [0-9]*, recorded [0-9a-f]\{16\}" replay.err
grep -q "the world first differs after tick [0-9]* and by tick [0-9]*" replay.err

# Recording that cannot be written: one console line each, and the game goes on unrecorded.
cat > short.txt <<'SCRIPT'
wait 800
press RETURN
press RETURN
wait 1500
dump
SCRIPT
: > error.txt
"$runner" --record /nonexistent/dir/x.zdemo short.txt > nodir.json
mv error.txt nodir.log && : > error.txt
"$runner" --record /dev/full short.txt > full.json
mv error.txt full.log
python3 - <<'PY'
import json, re
for name, want in [("nodir", "Cannot record to /nonexistent/dir/x.zdemo (No such file or directory): playing unrecorded"),
                   ("full", "Recording stopped: cannot write /dev/full (No space left on device)")]:
    log = [re.sub(r" \(\d+ms\)$", "", l)[1:-1] for l in open(name + ".log", encoding="latin-1", newline="").read().split("\r\n") if l]
    assert log.count(want) == 1, (name, [l for l in log if "ecord" in l])
    d = json.loads(open(name + ".json").read())
    assert d["GameState"] == 1 and d["player"]["state"] == 1, (name, d["GameState"])
PY
echo "e2e demos: ok (${#demos[@]} committed recordings)"
