#!/usr/bin/env bash
# How the real game runs on this machine: starts zarvo under Xvfb with --stats on a copy of the bundled
# game, full screen on a display of SIZE (default 1024x768) drawn at that size (SCREENSIZE=SIZE) with
# FRAMERATE=RATE (a number, DISPLAY or CLASSIC, the default), lets it sit in the start menu for 5 s, then
# plays level 1 for 5 s (walking and firing), and prints the medians of each figure of both phases and
# the time to the first frame. Run by hand (not in CI), on an otherwise idle machine:
#     bash bench/real_game.sh [path/to/zarvo] [SIZE] [RATE]
#     bash bench/real_game.sh build/release/zarvo 1920x1080 144
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
game=$(realpath "${1:-$root/build/release/zarvo}")
size=${2:-1024x768}
rate=${3:-CLASSIC}
[[ "$size" =~ ^[0-9]+x[0-9]+$ ]] || { echo "real_game.sh: SIZE is WIDTHxHEIGHT, not $size"; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$root/data/." "$work/"
cd "$work"
sed -i '/^\(SCREENSIZE\|FRAMERATE\)=/d' config.ini
printf 'SCREENSIZE=%s\r\nFRAMERATE=%s\r\n' "$size" "$rate" >> config.ini
echo "zarvo at $size, FRAMERATE=$rate"
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
xvfb-run -a -s "-screen 0 ${size}x24" bash -c '
  "$0" --stats > stats.txt 2> game.err &
  pid=$!
  for i in $(seq 1 100); do
    xdotool search --onlyvisible --name "Harrowfen Brimstalk" > /dev/null 2>&1 && break
    sleep 0.1
  done
  sleep 1.5                       # start-up and the console rolling away
  echo menu >> phases.txt; wc -l < stats.txt >> phases.txt
  sleep 5
  echo level >> phases.txt; wc -l < stats.txt >> phases.txt
  xdotool key Down; sleep 0.2; xdotool key Return; sleep 1.5
  wc -l < stats.txt >> phases.txt
  xdotool keydown Up keydown space; sleep 2.5; xdotool keyup Up keydown Down; sleep 2.5
  xdotool keyup Down keyup space
  echo end >> phases.txt; wc -l < stats.txt >> phases.txt
  xdotool key alt+F4
  wait $pid
' "$game"
python3 - <<'PY'
import statistics
lines = open("stats.txt").read().split("\n")
marks = [l for l in open("phases.txt").read().split("\n") if l.strip()]
menu_from, level_at, level_from, end_at = int(marks[1]), int(marks[3]), int(marks[4]), int(marks[6])
first = [l for l in lines if l.startswith("first_frame_ms=")]
rows = lambda a, b: [dict(kv.split("=") for kv in l.split()) for l in lines[a:b] if l.startswith("ticks=")]
def show(name, rs):
    if not rs:
        print("%s: no figures" % name); return
    med = {k: statistics.median(float(r[k]) for r in rs) for k in ("ticks", "frames", "frame_ms", "cpu")}
    print("%-6s ticks/s %5.0f  frames/s %4.0f  frame_ms %5.2f  cpu %5.1f %%  (%d seconds)"
          % (name, med["ticks"], med["frames"], med["frame_ms"], med["cpu"], len(rs)))
print(first[0] if first else "first_frame_ms: not printed")
show("menu", rows(menu_from, level_at))
show("level", rows(level_from + 1, end_at))
PY
