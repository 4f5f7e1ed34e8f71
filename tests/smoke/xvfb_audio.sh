#!/usr/bin/env bash
# The real binary writes sound: under Xvfb with SDL's disk audio driver, a level loaded from the console
# (its start sound and music) leaves non-silent samples in the audio file after the load.
set -euo pipefail
game=$1
src=$2
source "$(dirname "$0")/../e2e/scratch.bash"
enter_scratch "$src/data"
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  . "$1"
  "$0" > game.out 2>&1 &
  pid=$!
  sleep 2.5
  wid=$(game_window) || { echo "no window appeared"; cat game.out; kill $pid; exit 1; }
  # LOAD LEVEL1.LVL on the console (the full stop is typed with Delete).
  xdotool key --window "$wid" --delay 60 grave l o a d space l e v e l 1 Delete l v l Return
  stat -c %s "$SDL_DISKAUDIOFILE" > before.txt
  sleep 3
  xdotool key --window "$wid" alt+F4
  wait_for_exit $pid || { kill -9 $pid; echo "game did not quit"; exit 1; }
  wait $pid
' "$game" "$src/tests/smoke/xvfb.bash"
python3 - "$work" <<'PY'
import os, struct, sys
work = sys.argv[1]
start = int(open(os.path.join(work, "before.txt")).read()) & ~3
data = open(os.path.join(work, "audio.raw"), "rb").read()[start:]
n = len(data) // 2
assert n > 44100, "less than half a second of audio after the level load: %d samples" % n
samples = struct.unpack("<%dh" % n, data[: n * 2])
peak = max(abs(s) for s in samples)
print("audio after the level load: %d samples, peak %d" % (n, peak))
assert peak > 1000, "silent"
PY
echo "xvfb audio: ok"
