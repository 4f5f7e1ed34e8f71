#!/usr/bin/env bash
# End-to-end: the runner starts on the bundled data, the console opens, a word is typed and submitted,
# and the window is closed; the JSON dumps are checked.
set -euo pipefail
runner=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$src/data/." "$work/"
cd "$work"
: > error.txt
cat > script.txt <<'SCRIPT'
# start-up, then wait for the console to roll away
wait 1000
dump
press GRAVE
wait 200
dump
type FOO_BAR
dump
press RETURN
dump
screenshot shot.png
press GRAVE
wait 300
close
SCRIPT
"$runner" script.txt > dumps.jsonl
python3 - "$work" <<'PY'
import json, sys, os
work = sys.argv[1]
dumps = [json.loads(l) for l in open(os.path.join(work, "dumps.jsonl"))]
assert len(dumps) == 4, len(dumps)
start, opened, typed, submitted = dumps
# after start-up the console has rolled up and the hint is a notify line
assert start["console"]["state"] == 4, start["console"]
assert start["GameState"] == 0
assert start["time"] == 11000, start["time"]
assert start["ticks"] > 100 and start["frames"] > 10
hint = [l for l in start["console"]["lines"] if l["text"].startswith("=== Press")]
assert hint and hint[0]["text"] == "=== Press ` (\u00ac) to access the console ===", hint
assert 1 < hint[0]["notify"] < 250
assert start["settings"] == {"SCREENX": 640, "SCREENY": 480, "SCREENBPP": 8, "SOUNDVOL": 80,
                             "MUSICVOL": 80, "StartMenuFile": "start.mnu"}, start["settings"]
assert start["menu"]["visible"] == 1 and start["menu"]["count"] >= 1
assert start["net"]["started"] == 1
assert start["flags"]["AppActive"] == 1 and start["flags"]["InputActive"] == 1
# the grave key rolled the console down to half height
assert opened["console"]["state"] == 1 and opened["console"]["height"] == 240, opened["console"]
assert typed["console"]["input"] == "FOO_BAR", typed["console"]["input"]
last = submitted["console"]["lines"][-1]
assert last["text"] == " - Unknown Command: FOO_BAR" and last["rgb"] == [122, 122, 122] and last["notify"] == 122, last
assert submitted["console"]["input"] == ""
log = open(os.path.join(work, "error.txt"), "rb").read().split(b"\r\n")
assert log[0].startswith(b"[||| Starting Zarvo.exe |||") and log[0].endswith(b"(0ms)"), log[0]
assert log[1].startswith(b"[Information gets newer"), log[1]
# the settings file is announced when it is read, just before the subsystems' first line
assert log[2] == b"[config.ini] (0ms)", log[2]
assert log[3] == b"[Welcome!] (0ms)", log[3]
png = open(os.path.join(work, "shot.png"), "rb").read()
assert png[:8] == b"\x89PNG\r\n\x1a\n" and len(png) > 1000
print("e2e console_submit: ok")
PY
