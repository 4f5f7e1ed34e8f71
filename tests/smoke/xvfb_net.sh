#!/usr/bin/env bash
# Smoke test of network play with the real SDL binary: two game windows on one X display, each with a data
# folder of its own. The first hosts through its start menu (Network, Host a game: a deathmatch with
# DEATHMATCH=1), the second joins through its menu (Network, Join a game..., which opens the console with
# JOIN typed, then the address), the host starts the Arena from the Network menu (here two starts facing
# each other, a deadly gun on each), and the host's player fires: one frag, on both consoles. Both
# windows are then shown side by side in a screenshot (net.png), and both games leave with status 0.
set -euo pipefail
game=$1
src=$2
source "$(dirname "$0")/../e2e/scratch.bash"
enter_scratch
for side in host guest; do
    cp -r "$src/data" "$side"
    # the Arena made a face-off: the level's start and DMSTART0 four units apart, looking at each other
    python3 - "$side" <<'EOF'
import os, sys
os.chdir(sys.argv[1])
gun = open("weapons/gun.wpn", "rb").read().replace(b"DAMAGE=16", b"DAMAGE=400")
open("weapons/deadly.wpn", "wb").write(gun)
ars = open("weapons/arsenal.ars", "rb").read().replace(b"weapons/gun.wpn", b"weapons/deadly.wpn")
open("weapons/deadly.ars", "wb").write(ars)
lines = ["MAP=maps/arena.dxf", "OBJECTS=2", "OBJECT0=objects/gun.obj;35;27", "OBJECT1=objects/gun.obj;35;33",
         "ARSENAL=weapons/deadly.ars", "EXITCOORD=0;0", "RESETPLAYER=1", "STARTCOORD=35;27;0", "DMSTART0=35;33;180",
         "NEXTLEVEL=ARENA.LVL", "SOUNDS=sounds/level.snd"]
open("ARENA.LVL", "wb").write("".join(l + "\r\n" for l in lines).encode())
open("error.txt", "wb").close()  # every console line is logged
EOF
done
printf 'NAME=HOSTER\r\nDEATHMATCH=1\r\nFRAGLIMIT=1\r\n' >> host/config.ini
printf 'NAME=GUEST\r\n' >> guest/config.ini
export SDL_AUDIODRIVER=dummy
xvfb-run -a -s "-screen 0 1300x520x24" bash -c '
  game=$0
  # The window of a process once it shows anything but black (the start menu is up), waiting up to twenty
  # seconds. It is looked up afresh each time: SDL may replace the first window when it makes the renderer.
  window_of() {
    for i in $(seq 1 200); do
      w=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | tail -1 || true)
      if [ -n "$w" ]; then
        xdotool windowraise "$w" 2>/dev/null || true  # a covered part of a window reads black
        v=$(import -window "$w" png:- 2>/dev/null | convert - -format "%[max]" info: 2>/dev/null || true)
        [ -n "$v" ] && [ "${v%%.*}" -gt 0 ] && { echo "$w"; return 0; }
      fi
      sleep 0.1
    done
    return 1
  }
  # Each key is held for a moment and let go before the next: a game still busy (loading its soundfont on a
  # cold disk, say) then sees every press on its own instead of several folded into one.
  keys() {
    local w=$1; shift
    xdotool windowfocus --sync "$w" 2>/dev/null || true
    sleep 0.2
    for k in "$@"; do xdotool keydown --window "$w" "$k"; sleep 0.1; xdotool keyup --window "$w" "$k"; sleep 0.35; done
  }
  wait_for() {  # wait_for FILE TEXT SECONDS: until the game logged the line
    for i in $(seq 1 $(($3 * 10))); do grep -a -q "$2" "$1" && return 0; sleep 0.1; done
    echo "no \"$2\" in $1; its last lines:"; tail -n 12 "$1"; return 1
  }
  (cd host && exec "$game" --window > ../host.out 2>&1) & hp=$!
  (cd guest && exec "$game" --window > ../guest.out 2>&1) & gp=$!
  sleep 3
  hw=$(window_of $hp) || { echo "no host window"; cat host.out; exit 1; }
  gw=$(window_of $gp) || { echo "no guest window"; cat guest.out; exit 1; }
  xdotool windowmove "$hw" 0 0 windowmove "$gw" 650 0
  sleep 0.5
  # the host: Network, Host a game
  keys "$hw" Down Down Down Return
  wait_for host/error.txt "network.itm" 10 || { kill -9 $hp $gp; exit 1; }
  keys "$hw" Return
  wait_for host/error.txt "Hosting a deathmatch" 10 || { kill -9 $hp $gp; exit 1; }
  # the guest: Network, Join a game..., the address on the console line JOIN opened, the console closed
  keys "$gw" Down Down Down Return
  wait_for guest/error.txt "network.itm" 10 || { kill -9 $hp $gp; exit 1; }
  keys "$gw" Down Return 1 2 7 Delete 0 Delete 0 Delete 1 Return grave
  wait_for guest/error.txt "Joined the deathmatch game" 10 || { kill -9 $hp $gp; exit 1; }
  # the host: Arena, at the skill New Game offers first
  keys "$hw" Down Down Return Return
  wait_for guest/error.txt "Here we go" 20 || { kill -9 $hp $gp; exit 1; }
  sleep 1
  import -window root start.png
  xdotool windowfocus --sync "$hw" 2>/dev/null || true
  xdotool keydown --window "$hw" space
  wait_for guest/error.txt "fragged" 15 || true
  xdotool keyup --window "$hw" space
  sleep 1
  import -window root net.png
  for w in "$hw" "$gw"; do xdotool windowfocus --sync "$w" 2>/dev/null || true; xdotool key --window "$w" alt+F4; done
  for i in $(seq 1 200); do kill -0 $hp 2>/dev/null || kill -0 $gp 2>/dev/null || break; sleep 0.1; done
  kill -9 $hp $gp 2>/dev/null || true
  wait $hp; echo "host status $?" > status.txt
  wait $gp; echo "guest status $?" >> status.txt
' "$game"
cat status.txt
for side in host guest; do
    grep -a -o "\[[^]]*\]" "$side/error.txt" | grep -a -E "Hosting|Join|fragged|match|left|Refused|Cannot" || true
done
grep -a -q "Hosting a deathmatch game on port 27960" host/error.txt
grep -a -q "Joined the deathmatch game as player 2" guest/error.txt
grep -a -q "HOSTER fragged GUEST (1)" host/error.txt
grep -a -q "HOSTER fragged GUEST (1)" guest/error.txt
grep -qx "host status 0" status.txt
grep -qx "guest status 0" status.txt
[ -s net.png ]
[ -z "${SHOT:-}" ] || cp net.png start.png "$SHOT"
echo "smoke xvfb_net: ok"
