#!/usr/bin/env bash
# The game's page (built by scripts/web.sh into build/web) played in headless chromium at 1280x720 as a
# player would: the page loads with no console error and shows the start menu; the mouse is captured at a
# click on the game, not before, and that click is no click in the game (the item under the game's
# pointer is not chosen); Down moves the selection, Up brings it back to New Game, Enter asks the skill and
# Enter again starts the game at the one offered; the menu's music and the effects reach the
# page's audio; holding Up walks; Escape shows the menu and hides it again over a paused game; the browser
# taking the pointer lock away (its own use of Escape) shows the menu too; a setting changed in the
# console is stored in the browser and read back after a reload; QUIT ends the main loop.
#   bash tests/web/game.sh [PAGE_DIR]    (scripts/web.sh --test installs the driver's packages first)
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
PAGE=${1:-$ROOT/build/web}
OUT=$PAGE/shots
[ -f "$PAGE/zarvo.html" ] || {
    echo "game.sh: $PAGE/zarvo.html does not exist (bash scripts/web.sh builds it)" >&2
    exit 1
}
CONFIG=/home/web_user/.config/zarvo/config.ini
# The player's settings file as the game sees it ('' while there is none).
settings="(zarvo.module.FS.analyzePath('$CONFIG').exists ? zarvo.module.FS.readFile('$CONFIG', {encoding: 'utf8'}) : '')"

# Shots are compared by the share of their pixels that differ: most of a frame is black, so a walk of a
# few steps changes a few percent, and the scenery's own motion (a turning pickup, the messages scrolling
# away) less than one and a half. The menu is told by its bright yellow text (the scenery's yellow is
# darker): some tenths of a percent of the frame, next to none without it.
menu_shown=ffff00,0.003
no_menu=ffff00,0,0.001
exec node "$ROOT/tests/web/drive.mjs" --root "$PAGE" --page zarvo.html --out "$OUT" --size 1280x720 \
    'wait:globalThis.zarvo && zarvo.frames >= 1' 'print:Math.round(zarvo.firstFrameMs)' \
    "expect:$settings === ''" \
    sleep:500 shot:menu colour:menu,$menu_shown colour:menu,ff0000,0.001 \
    'expect:document.pointerLockElement === null' click 'wait:document.pointerLockElement !== null' sleep:300 shot:menu-clicked same:menu,menu-clicked,0.005 \
    key:ArrowDown sleep:300 shot:menu-down differ:menu,menu-down key:ArrowUp sleep:300 shot:menu-up \
    same:menu,menu-up,0.005 key:Enter sleep:500 shot:skill differ:menu-up,skill \
    key:Enter sleep:1500 shot:level colour:level,$no_menu differ:skill,level,0.01 'wait:zarvo.fps > 0' \
    'wait:zarvo.audioFrames > 44100 && zarvo.audioPeak > 1000 && zarvo.musicPeak > 0.02' \
    'print:[zarvo.audioFrames, zarvo.audioPeak, zarvo.musicPeak.toFixed(3)]' \
    sleep:600 shot:standing same:level,standing,0.015 \
    down:ArrowUp sleep:700 up:ArrowUp shot:walked differ:standing,walked,0.02 \
    'print:Math.round(zarvo.fps)' \
    key:Escape sleep:500 shot:paused colour:paused,$menu_shown \
    key:Escape sleep:500 shot:resumed colour:resumed,$no_menu same:walked,resumed,0.015 \
    'expect:document.pointerLockElement !== null' 'expect:document.exitPointerLock() === undefined' sleep:500 \
    shot:lock-lost colour:lock-lost,$menu_shown \
    'expect:(globalThis.storedBefore = zarvo.stored) >= 0' \
    key:Backquote sleep:300 type:DECMUSICVOL10 key:Enter 'wait:zarvo.stored > globalThis.storedBefore' \
    "expect:/^MUSICVOL=70\r?$/m.test($settings)" \
    reload 'wait:globalThis.zarvo && zarvo.frames >= 1' "expect:/^MUSICVOL=70\r?$/m.test($settings)" \
    key:Backquote sleep:300 type:QUIT key:Enter 'wait:zarvo.ended === 0' \
    'expect:(globalThis.framesAtEnd = zarvo.frames) > 0' sleep:300 'expect:zarvo.frames === globalThis.framesAtEnd'
