#!/usr/bin/env bash
# The game in a web page, built offline from Debian's packages and the npm registry:
#   - Debian's emscripten (its system libraries come prebuilt in a frozen cache: nothing is downloaded),
#     chromium for the browser tests, node and npm;
#   - zlib, SDL2, FreeType and SDL2_ttf from Debian's source packages, built as static wasm libraries into
#     build/web-deps/prefix (each one once: a stamp file holds the version and recipe it was built from);
#   - the browser's music synthesiser (js-synthesizer, which carries FluidSynth compiled to wasm) from the
#     npm registry, and a small General MIDI soundfont and the text face from Debian's packages;
#   - the game itself over the browser backend (src/platform/web), into build/web: zarvo.html with its
#     zarvo.js, zarvo.wasm and zarvo.data (the game's data, the face and the soundfont packed in).
# Emscripten's ports (-sUSE_SDL=2 and the like) would download from the internet: they are never used.
#
#   bash scripts/web.sh [--data FOLDER]  install what is needed, build the libraries (cached) and the
#                                   page, with the game data of FOLDER (default data/) packed in
#   bash scripts/web.sh --serve [DIR]  serve DIR (default build/web) on 127.0.0.1 and print the address
#   bash scripts/web.sh --test      play the built page in headless chromium (tests/web/game.sh)
#   bash scripts/web.sh --selftest  build the toolchain's self-test page into build/web-selftest and
#                                   check it in headless chromium
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
DEPS=$ROOT/build/web-deps
SRC=$DEPS/src
PREFIX=$DEPS/prefix
WORK=$DEPS/build
LOG=$DEPS/logs
NPM_DIR=$DEPS/npm
SELFTEST_OUT=$ROOT/build/web-selftest
GAME_BUILD=$ROOT/build/web-build
GAME_OUT=$ROOT/build/web
JOBS=${JOBS:-2}
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo

# Debian's emscripten runs its JavaScript tools on the system's node and finds acorn among Debian's node
# modules; a node that is not Debian's own (for example a newer one installed by hand) does not look
# there unless told.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
# npm packages that would fetch a browser of their own at install time must not.
export PUPPETEER_SKIP_DOWNLOAD=1 PUPPETEER_SKIP_CHROMIUM_DOWNLOAD=1 PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1

say() { printf 'web.sh: %s\n' "$*" >&2; }
die() {
    printf 'web.sh: %s\n' "$*" >&2
    exit 1
}

apt_get() { $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"; }

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

install_packages() {
    # dpkg-dev unpacks source packages; timgm6mb-soundfont is the page's General MIDI soundfont and
    # fonts-comic-neue the game's text face.
    local packages=(emscripten chromium dpkg-dev cmake make pkg-config python3 timgm6mb-soundfont
                    fonts-comic-neue fonts-dejavu-core)
    command -v node >/dev/null || packages+=(nodejs)
    command -v npm >/dev/null || packages+=(npm)
    local missing=() p
    for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
    if [ ${#missing[@]} -gt 0 ]; then
        say "installing ${missing[*]}"
        apt_get update -qq
        apt_get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# Source packages need a deb-src entry for the archive the machine installs from. The Debian entries of
# the machine's own lists are repeated as deb-src in a file of ours (added once).
SRC_LIST=/etc/apt/sources.list.d/zarvo-deb-src
add_deb_src() {
    [ -f "$SRC_LIST.sources" ] || [ -f "$SRC_LIST.list" ] && return 0
    if grep -Eqs '^[[:space:]]*(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
        /etc/apt/sources.list.d/*.sources; then
        return 0
    fi
    local tmp file
    tmp=$(mktemp)
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        # deb822 (Debian 12's own layout): the same stanzas with Types: deb-src.
        file=$SRC_LIST.sources
        sed -E 's/^Types:[[:space:]]*deb[[:space:]]*$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$tmp"
        grep -q '^Types: deb-src' "$tmp" || : >"$tmp"
    elif [ -f /etc/apt/sources.list ]; then
        # One-line layout: each "deb ..." line again as "deb-src ...", options and all.
        file=$SRC_LIST.list
        sed -n -E 's/^[[:space:]]*deb[[:space:]]+/deb-src /p' /etc/apt/sources.list >"$tmp"
    fi
    [ -s "$tmp" ] || {
        rm -f "$tmp"
        die "no Debian archive found in /etc/apt/sources.list.d/debian.sources or /etc/apt/sources.list"
    }
    say "adding deb-src entries in $file"
    $SUDO install -m 644 "$tmp" "$file"
    rm -f "$tmp"
    apt_get update -qq
}

# Unpacks Debian's source package $1 under $SRC (once) and prints its folder.
fetch_source() {
    local pkg=$1 dir
    dir=$(find "$SRC" -maxdepth 1 -mindepth 1 -type d -name "$pkg-[0-9]*" 2>/dev/null | sort | tail -n 1)
    if [ -z "$dir" ] || [ ! -f "$SRC/.$pkg.unpacked" ]; then
        add_deb_src >&2
        mkdir -p "$SRC"
        rm -rf "${SRC:?}/$pkg"-[0-9]*
        say "fetching Debian's source of $pkg"
        # The newest version first; an older one when the archive no longer serves the newest's files.
        local version fetched=""
        : >"$LOG/source-$pkg.log"
        for version in $(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -u | sort -r -V); do
            if (cd "$SRC" && apt-get source -qq "$pkg=$version" >>"$LOG/source-$pkg.log" 2>&1); then
                fetched=$version
                break
            fi
        done
        [ -n "$fetched" ] || die "apt-get source $pkg failed (see $LOG/source-$pkg.log)"
        dir=$(find "$SRC" -maxdepth 1 -mindepth 1 -type d -name "$pkg-[0-9]*" | sort | tail -n 1)
        [ -n "$dir" ] || die "apt-get source $pkg left no folder in $SRC"
        touch "$SRC/.$pkg.unpacked"
    fi
    printf '%s\n' "$dir"
}

# The Debian version of source folder $1 (from its changelog).
source_version() { dpkg-parsechangelog -l "$1/debian/changelog" -S Version; }

# Runs `$2...` as the build of library $1 unless the prefix holds a build of the same source version by
# the same recipe (the text of the build function). Prints the time the build took.
build_once() {
    local name=$1 dir=$2
    shift 2
    local version stamp=$PREFIX/.built-$name
    version="$(source_version "$dir") $(declare -f "$1" | md5sum | cut -c1-12)"
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ]; then
        say "$name $version: built already"
        return 0
    fi
    say "building $name $version (log: $LOG/build-$name.log)"
    local start=$SECONDS
    if ! "$@" >"$LOG/build-$name.log" 2>&1; then
        tail -n 30 "$LOG/build-$name.log" >&2
        die "building $name failed (see $LOG/build-$name.log)"
    fi
    echo "$version" >"$stamp"
    say "$name $version built in $((SECONDS - start)) s"
}

cmake_build() {
    local dir=$1 build=$2
    shift 2
    rm -rf "$build"
    nice -n 10 emcmake cmake -S "$dir" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
        -DCMAKE_PREFIX_PATH="$PREFIX" -DCMAKE_FIND_ROOT_PATH="$PREFIX" -DBUILD_SHARED_LIBS=OFF "$@"
    nice -n 10 cmake --build "$build" -j "$JOBS"
    cmake --install "$build"
}

build_sdl2() {
    # No threads: SDL's audio callback then runs on the page's main thread (see the report of the
    # self-test), and the page needs no cross-origin isolation.
    cmake_build "$1" "$WORK/sdl2" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_PTHREADS=OFF \
        -DSDL_THREADS=OFF
}

build_freetype() {
    # Only what SDL2_ttf needs: no bzip2, PNG, HarfBuzz or Brotli. Its gzip module uses the zlib built
    # above, which the game links too (FreeType's own copy of zlib would define the same names again).
    cmake_build "$1" "$WORK/freetype" -DFT_REQUIRE_ZLIB=ON -DZLIB_ROOT="$PREFIX" -DFT_DISABLE_BZIP2=ON \
        -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
}

build_sdl2_ttf() {
    cmake_build "$1" "$WORK/sdl2-ttf" -DSDL2TTF_SAMPLES=OFF -DSDL2TTF_VENDORED=OFF -DSDL2TTF_HARFBUZZ=OFF \
        -DSDL2TTF_INSTALL=ON -DCMAKE_POSITION_INDEPENDENT_CODE=OFF -DSDL2_DIR="$PREFIX/lib/cmake/SDL2" \
        -DFREETYPE_LIBRARY="$PREFIX/lib/libfreetype.a" -DFREETYPE_INCLUDE_DIR_ft2build="$PREFIX/include/freetype2" \
        -DFREETYPE_INCLUDE_DIR_freetype2="$PREFIX/include/freetype2"
}

build_zlib() {
    # zlib's own configure (through emconfigure) builds in its source folder: a copy of it.
    local build=$WORK/zlib
    rm -rf "$build"
    cp -a "$1" "$build"
    (
        cd "$build"
        CFLAGS=-O2 nice -n 10 emconfigure ./configure --static --prefix="$PREFIX"
        nice -n 10 emmake make -j "$JOBS" libz.a
        emmake make install
    )
}

build_libraries() {
    mkdir -p "$SRC" "$PREFIX" "$WORK" "$LOG"
    local zlib sdl2 freetype ttf
    zlib=$(fetch_source zlib)
    sdl2=$(fetch_source libsdl2)
    freetype=$(fetch_source freetype)
    ttf=$(fetch_source libsdl2-ttf)
    # zlib first: FreeType's build looks for it in the prefix.
    build_once zlib "$zlib" build_zlib "$zlib"
    build_once sdl2 "$sdl2" build_sdl2 "$sdl2"
    build_once freetype "$freetype" build_freetype "$freetype"
    build_once sdl2-ttf "$ttf" build_sdl2_ttf "$ttf"
}

# The synthesiser the page plays music with, at the version scripts/web/package-lock.json pins.
install_synth() {
    mkdir -p "$NPM_DIR"
    if [ -f "$NPM_DIR/.installed" ] && cmp -s "$ROOT/scripts/web/package-lock.json" "$NPM_DIR/package-lock.json"; then
        return 0
    fi
    say "installing the synthesiser from the npm registry into $NPM_DIR"
    cp "$ROOT/scripts/web/package.json" "$ROOT/scripts/web/package-lock.json" "$NPM_DIR/"
    (cd "$NPM_DIR" && npm ci --no-audit --no-fund --loglevel=error >"$LOG/npm-synth.log" 2>&1) ||
        die "npm ci for the synthesiser failed (see $LOG/npm-synth.log)"
    touch "$NPM_DIR/.installed"
}

# The test driver's packages (tests/web/package-lock.json).
install_driver() {
    local dir=$ROOT/tests/web
    if [ -d "$dir/node_modules" ] && [ "$dir/node_modules/.package-lock.json" -nt "$dir/package-lock.json" ]; then
        return 0
    fi
    say "installing the browser test driver's packages into tests/web/node_modules"
    (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error >"$LOG/npm-driver.log" 2>&1) ||
        die "npm ci for the test driver failed (see $LOG/npm-driver.log)"
}

# The General MIDI soundfont the page loads: Debian's TimGM6mb (about 6 MB; FluidR3_GM is 140 MB, too
# large for a page).
SOUNDFONT=/usr/share/sounds/sf2/TimGM6mb.sf2

# The self-test page (tools/web): built with the libraries above, then played in headless chromium.
selftest() {
    local build=$WORK/selftest out=$SELFTEST_OUT synth=$NPM_DIR/node_modules/js-synthesizer
    say "building the self-test page into $out"
    local start=$SECONDS
    # Configured once; the build configures again by itself when tools/web/CMakeLists.txt changes.
    if [ ! -f "$build/CMakeCache.txt" ]; then
        nice -n 10 emcmake cmake -S "$ROOT/tools/web" -B "$build" -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_PREFIX_PATH="$PREFIX" -DCMAKE_FIND_ROOT_PATH="$PREFIX" -DSOUNDFONT="$SOUNDFONT" \
            >"$LOG/selftest-configure.log" 2>&1 ||
            die "configuring the self-test failed (see $LOG/selftest-configure.log)"
    fi
    nice -n 10 cmake --build "$build" -j "$JOBS" >"$LOG/selftest-build.log" 2>&1 ||
        die "building the self-test failed (see $LOG/selftest-build.log)"
    rm -rf "$out"
    mkdir -p "$out"
    cp "$build"/selftest.{js,wasm,data} "$ROOT/tools/web/selftest.html" "$synth/dist/js-synthesizer.min.js" \
        "$synth/externals/libfluidsynth-2.4.6.js" "$out/"
    say "self-test page built in $((SECONDS - start)) s:" \
        "$(cd "$out" && ls -l | awk 'NR > 1 {printf "%s%s %s B", sep, $9, $5; sep = ", "}')"
    # Load, draw, then a key (which also lets the page's audio start), storage across a reload, and the
    # end of the main loop.
    node "$ROOT/tests/web/drive.mjs" --root "$out" --page selftest.html --out "$out/shots" \
        'wait:globalThis.selftest && selftest.frames >= 10' 'expect:selftest.textWidth > 100' 'shot:first' \
        'expect:selftest.runs === 1' 'wait:selftest.stored === 1' 'print:selftest.storedAt' \
        key:Enter 'wait:selftest.enter === 1' sleep:100 shot:enter differ:first,enter \
        'wait:selftest.synth === 1 && selftest.soundfont === 1' 'wait:selftest.callbacks >= 20' \
        'expect:selftest.peak > 3000' \
        'print:selftest' \
        reload 'wait:globalThis.selftest && selftest.frames >= 10' 'expect:selftest.runs === 2' \
        key:Escape 'wait:selftest.done === 1' 'expect:(globalThis.framesAtEnd = selftest.frames) > 0' \
        sleep:300 'expect:selftest.frames === globalThis.framesAtEnd' 'print:selftest'
}

# The game's page, with the data folder $1: the game built with emcmake over the libraries above, then
# the page assembled in build/web.
build_game() {
    local data=$1 synth=$NPM_DIR/node_modules/js-synthesizer start=$SECONDS
    [ -f "$data/config.ini" ] || die "$data holds no config.ini: it is not a Zarvo data folder"
    say "building the game's page with the data of $data into $GAME_OUT (log: $LOG/game-build.log)"
    nice -n 10 emcmake cmake -S "$ROOT" -B "$GAME_BUILD" -DCMAKE_BUILD_TYPE=Release -DZARVO_WERROR=ON \
        -DZARVO_TESTS=OFF -DCMAKE_PREFIX_PATH="$PREFIX" -DCMAKE_FIND_ROOT_PATH="$PREFIX" \
        -DZARVO_WEB_SOUNDFONT="$SOUNDFONT" -DZARVO_WEB_DATA="$data" >"$LOG/game-configure.log" 2>&1 ||
        die "configuring the game failed (see $LOG/game-configure.log)"
    if ! nice -n 10 cmake --build "$GAME_BUILD" -j "$JOBS" --target zarvo >"$LOG/game-build.log" 2>&1; then
        grep -E 'error|Error' "$LOG/game-build.log" | head -n 20 >&2
        die "building the game failed (see $LOG/game-build.log)"
    fi
    rm -rf "$GAME_OUT"
    mkdir -p "$GAME_OUT"
    cp "$GAME_BUILD"/zarvo.{js,wasm,data} "$ROOT/src/platform/web/zarvo.html" "$synth/dist/js-synthesizer.min.js" \
        "$synth/externals/libfluidsynth-2.4.6.js" "$GAME_OUT/"
    cp "$ROOT/packaging/icons/zarvo-48.png" "$GAME_OUT/zarvo-icon.png"
    say "page built in $((SECONDS - start)) s:" \
        "$(cd "$GAME_OUT" && ls -l | awk 'NR > 1 {printf "%s%s %s B", sep, $9, $5; sep = ", "}')"
}

main() {
    local mode=build serve_dir="" data=$ROOT/data
    while [ $# -gt 0 ]; do
        case "$1" in
        --selftest) mode=selftest ;;
        --data)
            [ $# -gt 1 ] || die "--data needs a folder"
            data=$(cd "$2" 2>/dev/null && pwd) || die "$2 is no folder"
            shift
            ;;
        --test) mode=test ;;
        --serve)
            mode=serve
            if [ $# -gt 1 ] && [ "${2#--}" = "$2" ]; then
                serve_dir=$2
                shift
            fi
            ;;
        -h | --help)
            awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "${BASH_SOURCE[0]}"
            return 0
            ;;
        *) die "unknown argument $1 (see --help)" ;;
        esac
        shift
    done
    mkdir -p "$LOG"
    install_packages
    if [ "$mode" = serve ]; then
        serve_dir=${serve_dir:-$GAME_OUT}
        [ -d "$serve_dir" ] || die "$serve_dir does not exist: build it first (bash scripts/web.sh)"
        local page=()
        [ -f "$serve_dir/zarvo.html" ] && page=(--page zarvo.html)
        exec node "$ROOT/tests/web/serve.mjs" "$serve_dir" "${page[@]}"
    fi
    if [ "$mode" = test ]; then
        [ -f "$GAME_OUT/zarvo.html" ] || die "$GAME_OUT/zarvo.html does not exist: build it first (bash scripts/web.sh)"
        install_driver
        exec bash "$ROOT/tests/web/game.sh" "$GAME_OUT"
    fi
    [ -f "$SOUNDFONT" ] || die "$SOUNDFONT is missing (package timgm6mb-soundfont)"
    build_libraries
    install_synth
    if [ "$mode" = selftest ]; then
        install_driver
        selftest
    else
        build_game "$data"
    fi
}

main "$@"
