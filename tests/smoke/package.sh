#!/usr/bin/env bash
# The Debian package (made by scripts/package.sh): lintian finds no error or warning in it; its control
# fields name the section, the libraries dpkg-shlibdeps found and what the game loads by name; unpacked
# into a scratch root it holds the installed game (tests/smoke/installed.bash) with Debian's owners and
# modes; there the installed zarvo prints the package's version, starts from a folder without game data
# on the unpacked data and quits; zarvo-headless loads every bundled level clean and runs the start menu
# in the installed data folder, which nothing writes to; the recordings of tests/demos replay to their
# digests; the installed zarvo-level makes a level of the example drawing.
#
#     tests/smoke/package.sh build/zarvo_VERSION_ARCH.deb SOURCE_DIR
set -euo pipefail
deb=$(realpath "$1")
src=$(realpath "$2")
source "$src/tests/e2e/scratch.bash"
source "$src/tests/smoke/installed.bash"
enter_scratch

echo "-- lintian"
status=0
lintian --fail-on error,warning --display-info --pedantic "$deb" > lintian.txt 2>&1 || status=$?
grep -v "^running with root privileges" lintian.txt || true
[ "$status" -eq 0 ] || fail "lintian: errors or warnings (above), status $status"

echo "-- control fields"
field() { dpkg-deb -f "$deb" "$1"; }
version=$(field Version)
[ "$(field Package)" = zarvo ] && [ "$(field Section)" = games ] || fail "package $(field Package), section $(field Section)"
[[ "$(basename "$deb")" == "zarvo_${version}_$(field Architecture).deb" ]] || fail "file name $(basename "$deb")"
depends=$(field Depends)
for need in "libsdl2-2.0-0 " "libfluidsynth3 " "libsdl2-ttf-2.0-0 " "fonts-comic-neue | fonts-dejavu-core" \
            "timgm6mb-soundfont | " "python3,"; do
    [[ "$depends" == *"$need"* ]] || fail "Depends lacks \"$need\": $depends"
done
[ "$(field Recommends)" = python3-ezdxf ] || fail "Recommends: $(field Recommends)"
synopsis=$(field Description)
synopsis=${synopsis%%$'\n'*}
[[ "$synopsis" =~ ^[a-z].{10,79}$ ]] || fail "synopsis: $synopsis"

echo "-- files, owners and modes"
# Every entry owned by root; the programs are the only executable files; every directory is 755.
dpkg-deb -c "$deb" > contents.txt
! grep -v "^[-d][rwx-]\{9\} root/root " contents.txt || fail "entries not owned by root (above)"
awk '$1 ~ /^-..x/ {print $6}' contents.txt | sort > executables.txt
printf '%s\n' ./usr/games/zarvo ./usr/games/zarvo-headless ./usr/games/zarvo-level > expected.txt
cmp -s executables.txt expected.txt || { diff expected.txt executables.txt; fail "executable files"; }
! awk '$1 ~ /^-/ && $1 !~ /^-rw[x-]r-[x-]r-[x-]$/' contents.txt | grep . || fail "file modes (above)"
! awk '$1 ~ /^d/ && $1 != "drwxr-xr-x"' contents.txt | grep . || fail "directory modes (above)"
root="$work/root"
dpkg-deb -x "$deb" "$root"
check_installed "$root/usr" games /usr/share/zarvo /usr/share/doc/zarvo "$src"
[ "$(changelog_version "$root/usr/share/doc/zarvo/changelog.gz")" = "$version" ] || fail "changelog.gz is not of $version"

echo "-- the unpacked programs"
find "$root" -type f -exec md5sum {} + | sort > "$work/before.md5"
mkdir elsewhere
cd elsewhere
[ "$("$root/usr/games/zarvo" --version)" = "zarvo $version" ] || fail "--version: $("$root/usr/games/zarvo" --version)"
# The game started where there is no game data finds the unpacked one beside the program
# (usr/games/../share/zarvo), shows its window and quits.
export SDL_AUDIODRIVER=dummy
xvfb-run -a -s "-screen 0 800x600x24" bash -c '
  . "$1"
  "$0" --window > game.out 2>&1 &
  pid=$!
  wid=$(game_window) || { echo "no window appeared"; cat game.out; kill $pid; exit 1; }
  sleep 0.5
  xdotool key --window "$wid" alt+F4
  wait_for_exit $pid || { echo "game did not quit"; kill -9 $pid; exit 1; }
  wait $pid
  echo "exit status $?" > status.txt
' "$root/usr/games/zarvo" "$src/tests/smoke/xvfb.bash"
grep -qx "exit status 0" status.txt || fail "the unpacked game: $(cat status.txt game.out)"
cd "$root/usr/share/zarvo"
for level in LEVEL*.LVL; do
    out=$("$root/usr/games/zarvo-headless" --check "$level")
    [ "$out" = "$level: clean" ] || fail "installed check: $out"
done
printf 'ticks 40\ndump\n' | "$root/usr/games/zarvo-headless" - > "$work/dump.json"
python3 -c '
import json, sys
d = json.load(open(sys.argv[1]))
menu = d["menu"]
assert d["settings"]["StartMenuFile"] == "start.mnu" and menu["visible"] and menu["count"] > 0, (d["settings"], menu)
' "$work/dump.json" || fail "zarvo-headless in the installed data folder did not come up in its start menu"
# The package's build (Debian's hardening flags) plays the recorded games as the tested build does.
cd "$work"
mkdir classic
cp -r "$src/tests/demos/classic/." classic/
for demo in "$src"/tests/demos/*.zdemo; do
    (cd classic && "$root/usr/games/zarvo-headless" "$demo" 2> "$work/replay.err") ||
        fail "$(basename "$demo"): $(cat "$work/replay.err")"
    grep -q "replay matches the recording" replay.err || fail "$(basename "$demo"): $(cat replay.err)"
done
find "$root" -type f -exec md5sum {} + | sort > "$work/after.md5"
cmp -s "$work/before.md5" "$work/after.md5" || { diff "$work/before.md5" "$work/after.md5"; fail "the unpacked files were written to"; }
cp -r "$root/usr/share/zarvo" authoring
"$root/usr/games/zarvo-level" "$root/usr/share/doc/zarvo/examples/annex.dxf" --data authoring --name ANNEX > /dev/null
out=$(cd authoring && "$root/usr/games/zarvo-headless" --check ANNEX.LVL)
[ "$out" = "ANNEX.LVL: clean" ] || fail "the example level: $out"
echo "package $(basename "$deb"), $(stat -c %s "$deb") bytes: ok"
