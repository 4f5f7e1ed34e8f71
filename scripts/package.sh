#!/usr/bin/env bash
# Builds the Debian package from scratch: a Release build for the prefix /usr with Debian's hardening
# flags, the programs in /usr/games as Debian places games, made into build/zarvo_VERSION_ARCH.deb by
# CPack (install it with `sudo apt install ./build/zarvo_*.deb`). JOBS sets the build's parallel jobs
# (default: every core).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --package
build=build/package
log=build/package.log
mkdir -p build
rm -rf "$build" build/zarvo_*.deb
# The build's output goes to the log, shown when a step fails.
step() { "$@" >> "$log" 2>&1 || { tail -n 40 "$log"; echo "package.sh: $* failed (all of it in $log)"; exit 1; }; }
: > "$log"
# The package is stripped: no debugging information is compiled in the first place.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CFLAGS_MAINT_STRIP=-g DEB_CXXFLAGS_MAINT_STRIP=-g
cppflags=$(dpkg-buildflags --get CPPFLAGS)
step cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_INSTALL_BINDIR=games -DZARVO_TESTS=OFF \
    -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags" \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
step cmake --build "$build" -j"${JOBS:-$(nproc)}"
step cpack --config "$build/CPackConfig.cmake" -B "$build/cpack"
mv "$build"/cpack/zarvo_*.deb build/
ls build/zarvo_*.deb
