#!/usr/bin/env bash
# Smoke test of the real SDL binary in a real X server: it starts at the display's size (the bundled
# SCREENSIZE=DESKTOP), draws, goes to a window and back to full screen with Alt+Enter (the bare X server has
# no window manager to resize it), and leaves with status 0 when its window is closed with Alt+F4. Started
# with --window at the classic 800x600, its window is 800x600; with SCREENSIZE=WINDOW the frames follow the
# window when it is resized (a screenshot is as large as the window).
# The window carries the game's icon for task bars (_NET_WM_ICON): the 48- and 256-pixel icons of
# packaging/icons, pixel for pixel.
set -euo pipefail
game=$1
src=$2
source "$(dirname "$0")/../e2e/scratch.bash"
enter_scratch "$src/data"
export SDL_AUDIODRIVER=dummy
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  . "$1"
  "$0" > game.out 2>&1 &
  pid=$!
  sleep 2.5  # start-up; the window may be re-created once when its renderer is made
  wid=$(game_window) || { echo "no window appeared"; cat game.out; kill $pid; exit 1; }
  xprop -id "$wid" -len 1000000 -notype 32c _NET_WM_ICON > icon.txt  # xprop reads 250000 bytes unless told
  size() { xwininfo -id "$wid" | awk "/Width:/ {w=\$2} /Height:/ {h=\$2} END {print w \"x\" h}"; }
  xdotool key --window "$wid" alt+Return
  sleep 0.5
  echo "windowed $(size)" > sizes.txt
  xdotool key --window "$wid" alt+Return
  sleep 0.5
  echo "full $(size)" >> sizes.txt
  import -window root shot.png
  xdotool key --window "$wid" alt+F4
  wait_for_exit $pid || { echo "game did not quit"; kill -9 $pid; exit 1; }
  wait $pid
  echo "exit status $?" > status.txt
  sed -i "s/^SCREENX=.*\r\$/SCREENX=800\r/; s/^SCREENY=.*\r\$/SCREENY=600\r/; s/^SCREENSIZE=.*\r\$/SCREENSIZE=CLASSIC\r/" config.ini
  "$0" --window > game2.out 2>&1 &
  pid=$!
  sleep 2.5
  wid=$(game_window) || { echo "no window appeared"; cat game2.out; kill $pid; exit 1; }
  echo "started windowed $(size)" >> sizes.txt
  xdotool key --window "$wid" alt+F4
  wait_for_exit $pid || { echo "game did not quit"; kill -9 $pid; exit 1; }
  sed -i "s/^SCREENSIZE=.*\r\$/SCREENSIZE=WINDOW\r/" config.ini
  "$0" --window > game3.out 2>&1 &
  pid=$!
  sleep 2.5
  wid=$(game_window) || { echo "no window appeared"; cat game3.out; kill $pid; exit 1; }
  xdotool windowsize "$wid" 1000 700
  sleep 1
  xdotool key --window "$wid" F12
  sleep 0.5
  echo "resized $(size)" >> sizes.txt
  xdotool key --window "$wid" alt+F4
  wait_for_exit $pid || { echo "game did not quit"; kill -9 $pid; exit 1; }
' "$game" "$src/tests/smoke/xvfb.bash"
cat status.txt sizes.txt
grep -qx "exit status 0" status.txt
grep -qx "windowed 1024x768" sizes.txt
grep -qx "full 1024x768" sizes.txt
grep -qx "started windowed 800x600" sizes.txt
grep -qx "resized 1000x700" sizes.txt
shot=$(ls screenshots/zarvo-*.png | tail -1)
[ "$(identify -format %wx%h "$shot")" = 1000x700 ] || { echo "the frame did not follow the window: $(identify "$shot")"; exit 1; }
# The icon, as ImageMagick reads the PNG files, in the property's order and layout (0xAARRGGBB).
for size in 48 256; do convert "$src/packaging/icons/zarvo-$size.png" -depth 8 "rgba:icon$size.rgba"; done
python3 - <<'EOF'
import re, sys
text = open("icon.txt").read()
if "=" not in text:
    sys.exit("the window has no icon: " + text.strip())
numbers = [int(n) for n in re.findall(r"\d+", text.split("=", 1)[1])]
images, pos = [], 0
while pos + 2 <= len(numbers):
    w, h = numbers[pos], numbers[pos + 1]
    images.append((w, h, numbers[pos + 2:pos + 2 + w * h]))
    pos += 2 + w * h
print("window icon:", ", ".join(f"{w}x{h}" for w, h, _ in images))
if [(w, h) for w, h, _ in images] != [(48, 48), (256, 256)]:
    sys.exit("the window's icons are not the 48- and 256-pixel ones")
for w, h, pixels in images:
    raw = open(f"icon{w}.rgba", "rb").read()
    want = [raw[i + 3] << 24 | raw[i] << 16 | raw[i + 1] << 8 | raw[i + 2] for i in range(0, len(raw), 4)]
    if len(pixels) != len(want):
        sys.exit(f"icon {w}x{h}: {len(pixels)} pixels in the property")
    wrong = sum(a != b for a, b in zip(pixels, want))
    if wrong:
        sys.exit(f"icon {w}x{h}: {wrong} pixels differ from packaging/icons/zarvo-{w}.png")
EOF
# The frame is not blank: the console hint and the menu leave lit pixels on the black screen.
lit=$(convert shot.png -colorspace Gray -threshold 20% -format "%[fx:mean*w*h]" info:)
echo "lit pixels: $lit"
python3 -c "import sys; sys.exit(0 if float('$lit') > 500 else 1)"
echo "xvfb smoke: ok"
