#!/usr/bin/env bash
# Installs what the build needs, builds from scratch and runs the whole suite: Release with warnings as
# errors (unit suites, runner scripts, the real binary under Xvfb), the Debian package and its checks,
# the same suite under AddressSanitizer and UndefinedBehaviorSanitizer, the benchmarks built, a short
# run of every fuzz target, and the game's page in headless chromium when it is built (scripts/web.sh;
# ZARVO_WEB=1 builds it); first every C++ file is held to .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --test
export SDL_AUDIODRIVER=dummy
jobs=$(nproc)
rm -rf build/ci-release build/ci-asan build/ci-fuzz

echo "== Format (.clang-format, clang-format 14)"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format-14 --dry-run --Werror

echo "== Release build and suite"
cmake -S . -B build/ci-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZARVO_WERROR=ON -DZARVO_BENCH=ON
cmake --build build/ci-release -j"$jobs"
# Mutable state lives in the named records, which the tests reset: the game libraries keep at most five
# variables of their own (local data and bss symbols).
statics=$(nm -C build/ci-release/libzarvo_game.a build/ci-release/libzarvo_base.a | grep -E ' [bd] ' |
          grep -v -e 'guard variable' -e 'typeinfo' || true)
if [ "$(printf '%s' "$statics" | grep -c .)" -gt 5 ]; then
    echo "more than 5 variables outside the records:"; echo "$statics"; exit 1
fi
(cd build/ci-release && ctest -j"$jobs" --output-on-failure)

echo "== Unit suites each in one process, shuffled (seeds 1, 2 and 3): no test leans on another's state"
for seed in 1 2 3; do
    for suite in zarvo_tests zarvo_sdl_tests; do
        (cd build/ci-release && "./$suite" --gtest_shuffle --gtest_random_seed="$seed" --gtest_brief=1 > "shuffle-$suite.log" 2>&1) ||
            { tail -n 40 "build/ci-release/shuffle-$suite.log"; echo "$suite failed shuffled with seed $seed"; exit 1; }
    done
done

echo "== Debian package: built from scratch, then lintian, its files and the unpacked game"
JOBS="$jobs" bash scripts/package.sh
bash tests/smoke/package.sh build/zarvo_*.deb .

echo "== Sanitizer build (address, undefined) and suite"
cmake -S . -B build/ci-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZARVO_WERROR=ON -DZARVO_SANITIZE=ON
cmake --build build/ci-asan -j"$jobs"
# Leak reports are off: the font and synthesiser libraries keep caches for the process's lifetime.
(cd build/ci-asan && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest -j"$jobs" --output-on-failure)

echo "== Fuzz targets (clang libFuzzer), a short run each"
CC=clang CXX=clang++ cmake -S . -B build/ci-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZARVO_FUZZ=ON \
    -DZARVO_SANITIZE=ON -DZARVO_TESTS=OFF
cmake --build build/ci-fuzz -j"$jobs"
for target in build/ci-fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    corpus=$(mktemp -d)
    echo "-- $(basename "$target")"
    ASAN_OPTIONS=detect_leaks=0 "$target" -max_total_time="${FUZZ_SECONDS:-20}" -rss_limit_mb=2048 \
        -print_final_stats=1 "$corpus" 2>&1 | tail -n 3
    rm -rf "$corpus"
done
echo "== The game's page in headless chromium (when build/web holds it; ZARVO_WEB=1 builds it first)"
if [ "${ZARVO_WEB:-0}" = 1 ]; then bash scripts/web.sh; fi
if [ -f build/web/zarvo.html ]; then bash scripts/web.sh --test; else echo "(no build/web/zarvo.html: skipped)"; fi
echo "All suites passed."
