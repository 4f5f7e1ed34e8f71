#!/usr/bin/env bash
# Installs the Debian 12 packages that building, playing and testing Zarvo need (through sudo when not root).
set -euo pipefail
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
# python3-ezdxf: tools/zarvo-level reads CAD drawings with it (on Debian's /usr/bin/python3)
packages=(build-essential cmake ninja-build pkg-config python3 python3-ezdxf
          libsdl2-dev libsdl2-ttf-dev libfluidsynth-dev libenet-dev zlib1g-dev libx11-dev
          timgm6mb-soundfont fluid-soundfont-gm fonts-comic-neue fonts-dejavu-core)
# The Debian package (scripts/package.sh): dpkg-shlibdeps and the file types CPack asks about.
package=(dpkg-dev file)
if [ "${1:-}" = "--package" ]; then
    packages+=("${package[@]}")
fi
if [ "${1:-}" = "--test" ]; then
    # inkscape (its DXF exporters need python3-lxml and python3-numpy), pstoedit: tests/e2e/authoring_programs.sh
    # draws a level with them, as authors without a CAD program do
    packages+=(libgtest-dev libbenchmark-dev clang libclang-rt-14-dev clang-format-14 xvfb xauth xdotool
              imagemagick desktop-file-utils inkscape python3-lxml python3-numpy pstoedit x11-utils
              "${package[@]}" lintian appstream)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    $SUDO apt-get update -qq
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi
