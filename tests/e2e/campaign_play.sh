#!/usr/bin/env bash
# End-to-end: the bundled campaign played from the start menu to the victory screen and back by
# tests/campaign_bot.py, which drives the runner line by line (New Game, each level's route with its
# weapon, fights and pickups, every level-complete screen, the victory screen, the start menu) with
# the bundled config.ini and its rules. The health left at the exits must fall from about 100 to
# 30-60 on the last level; the same seed twice must give the same game and the same frames.
# Then the bot's other modes: a player who never fires dies before the exit of level 2, and one who
# fires only from the start room of level 1 hurts no monster outside it.
set -euo pipefail
runner=$1
source=$2
source "$(dirname "$0")/scratch.bash"
enter_scratch
play() {    # play RUN [MODE]
    cp -r "$source/data" "$work/$1"
    # A bound against a hang, not a speed test: the sanitizer build on a busy machine needs minutes.
    timeout 900 python3 "$source/tests/campaign_bot.py" "$runner" "$work/$1" "$source" ${2:-} > "$work/$1.log" \
        || { cat "$work/$1.log"; echo "campaign run $1 failed"; exit 1; }
}
for run in first second; do
    play $run
done
cat "$work/first.log"
cmp "$work/first.log" "$work/second.log" || { diff "$work/first.log" "$work/second.log"; echo "the same seed played differently"; exit 1; }
for f in "$work"/first/*.png; do
    cmp "$f" "$work/second/$(basename "$f")" || { echo "$(basename "$f") differs between runs"; exit 1; }
done
[ "$(ls "$work"/first/*.png | wc -l)" -eq 13 ] || { echo "expected 13 screenshots"; exit 1; }
for mode in nofire startroom; do
    play $mode $mode
    tail -n 1 "$work/$mode.log"
done
echo "e2e campaign_play: ok"
