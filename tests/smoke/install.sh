#!/usr/bin/env bash
# The installed game: cmake --install into a scratch prefix puts the programs, the bundled game, the
# desktop entry, the metainfo, the icons, the man pages and the documents in their places
# (tests/smoke/installed.bash); the installed zarvo, started from a folder without game data, finds the
# installed game, prints the version of the installed changelog, answers --help and unknown options,
# plays in a real X server, saves a screenshot and a changed option into the player's folders, and
# leaves the installed files as they were; the installed zarvo-level and zarvo-headless --check make and
# check a level.
set -euo pipefail
build=$1
src=$2
source "$(dirname "$0")/../e2e/scratch.bash"
source "$(dirname "$0")/installed.bash"
enter_scratch
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" > install.log
configured=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
check_installed "$prefix" bin "$configured/share/zarvo" "$configured/share/doc/zarvo" "$src"
version=$(changelog_version "$prefix/share/doc/zarvo/changelog.gz")

# The command line, from a folder that holds no game.
mkdir elsewhere
cd elsewhere
game="$prefix/bin/zarvo"
[ "$("$game" --version)" = "zarvo $version" ] || { echo "--version: $("$game" --version), the changelog: $version"; exit 1; }
# (read whole before grep looks: grep -q leaving early would cut the pipe under the game)
help=$("$game" --help)
grep -q -- "--data FOLDER" <<< "$help"
settings=$("$game" --list-settings)
grep -q "^SOUNDVOL=80	0..100	classic,saved	" <<< "$settings" || { echo "--list-settings"; exit 1; }
# The runner answers the same two questions, with status 0.
headless="$prefix/bin/zarvo-headless"
[ "$("$headless" --version)" = "zarvo-headless $version" ] || { echo "zarvo-headless --version"; exit 1; }
grep -q -- "--check LEVEL" <<< "$("$headless" --help)" || { echo "zarvo-headless --help"; exit 1; }
set +e
"$game" --bogus > out.txt 2> err.txt
code=$?
set -e
[ "$code" -eq 2 ] && [ "$(wc -l < err.txt)" -eq 1 ] || { echo "unknown option: status $code"; cat err.txt; exit 1; }
set +e
"$game" --data "$work/nothing" 2> err.txt
code=$?
set -e
[ "$code" -eq 1 ] && grep -q "holds no config.ini" err.txt || { echo "missing --data folder: status $code"; exit 1; }

# A short game in a window: a screenshot, and the sound volume down by one step in the console.
find "$prefix/share/zarvo" -type f -exec md5sum {} + | sort > "$work/before.md5"
export SDL_AUDIODRIVER=dummy
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  . "$1"
  "$0" --window > game.out 2>&1 &
  pid=$!
  sleep 2.5
  wid=$(game_window) || { echo "no window appeared"; cat game.out; kill $pid; exit 1; }
  xdotool key --window "$wid" F12
  sleep 0.3
  xdotool key --window "$wid" --delay 60 grave d e c s o u n d v o l 1 0 Return grave
  sleep 0.8
  xdotool key --window "$wid" alt+F4
  wait_for_exit $pid || { echo "game did not quit"; kill -9 $pid; exit 1; }
  wait $pid
  echo "exit status $?" > status.txt
' "$game" "$src/tests/smoke/xvfb.bash"
cat status.txt
grep -qx "exit status 0" status.txt
[ -f "$XDG_DATA_HOME/zarvo/screenshots/zarvo-0000.png" ] || { echo "no screenshot in the player's folder"; exit 1; }
grep -q "^SOUNDVOL=70" "$XDG_CONFIG_HOME/zarvo/config.ini" || { echo "the volume was not saved"; exit 1; }
! grep -q "FULLSCREEN" "$XDG_CONFIG_HOME/zarvo/config.ini" || { echo "--window is not a saved choice"; exit 1; }
find "$prefix/share/zarvo" -type f -exec md5sum {} + | sort > "$work/after.md5"
cmp "$work/before.md5" "$work/after.md5" || { echo "the installed game was written to"; exit 1; }
[ -z "$(ls -A . | grep -v -e '^out.txt$' -e '^err.txt$' -e '^game.out$' -e '^status.txt$')" ] || {
    echo "files left in the working folder:"; ls -A; exit 1; }

# The installed author's tools: zarvo-level turns the guide's example drawing into a level of a copy of
# the installed game, and zarvo-headless --check finds it clean.
cp -r "$prefix/share/zarvo" "$work/authoring" && chmod -R u+w "$work/authoring"
"$prefix/bin/zarvo-level" "$src/tools/examples/annex.dxf" --data "$work/authoring" --name ANNEX > /dev/null
out=$(cd "$work/authoring" && "$prefix/bin/zarvo-headless" --check ANNEX.LVL)
[ "$out" = "ANNEX.LVL: clean" ] || { echo "installed check: $out"; exit 1; }
echo "install smoke: ok"
