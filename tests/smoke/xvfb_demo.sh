#!/usr/bin/env bash
# The real binary under Xvfb records a game (menu, a level, walking, turning, firing) driven by xdotool;
# the scripted runner replays the recording to the same digest, twice; and --play shows it in the window
# to the same verdict.
set -euo pipefail
game=$(realpath "$1")
runner=$(realpath "$2")
src=$3
source "$(dirname "$0")/../e2e/scratch.bash"
enter_scratch "$src/data"
export SDL_AUDIODRIVER=dummy
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  . "$1"
  "$0" --record run.zdemo > game.out 2>&1 &
  pid=$!
  wid=$(game_window) || { echo "no window appeared"; kill $pid; exit 1; }
  sleep 2.5
  xdotool key Down; sleep 0.2; xdotool key Return; sleep 2
  xdotool keydown Up; sleep 1; xdotool mousemove_relative -- -60 0; sleep 0.3
  xdotool keydown space; sleep 1; xdotool keyup space; xdotool keyup Up
  xdotool key 2; sleep 0.3
  xdotool key alt+F4
  wait_for_exit $pid
  wait $pid
  "$0" --play run.zdemo > play.out 2>&1
' "$game" "$src/tests/smoke/xvfb.bash"
grep -q "^mouse -60 0$" run.zdemo && grep -q "^down UP$" run.zdemo && grep -q "^quit$" run.zdemo
for i in 1 2; do
    "$runner" run.zdemo 2> replay.err
    cat replay.err
    grep -q "replay matches the recording" replay.err
done
grep "replay matches the recording" play.out
echo "xvfb demo: ok"
