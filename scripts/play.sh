#!/usr/bin/env bash
# Installs what the game needs, builds it in Release and starts it on the bundled data/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZARVO_TESTS=OFF
cmake --build build/release -j"$(nproc)" --target zarvo zarvo-headless
cd data
exec ../build/release/zarvo
