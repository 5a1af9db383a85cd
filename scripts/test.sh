#!/usr/bin/env bash
# Installs what Quela needs, builds it, and runs every test: the plain build,
# then the whole suite again under AddressSanitizer + UndefinedBehaviorSanitizer,
# then a short run of each fuzz target.
#   QUELA_SKIP_SANITIZE=1  skip the sanitizer pass
#   QUELA_FUZZ_SECONDS=N   seconds per fuzz target (default 20; 0 skips fuzzing)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc)"

"$here/scripts/setup.sh"
# Tests run headless: no display, no sound card, no GPU needed.
export SDL_AUDIODRIVER=dummy
(cd "$here/build" && ctest --output-on-failure -j "$jobs" --timeout 600)

if [ "${QUELA_SKIP_SANITIZE:-0}" != 1 ]; then
  BUILD_DIR="$here/build-asan" BUILD_TYPE=Debug SANITIZE=ON "$here/scripts/setup.sh"
  (cd "$here/build-asan" && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j "$jobs" --timeout 900)
fi

# The frame hand-over between the streaming thread and the render loop, under ThreadSanitizer.
if [ "${QUELA_SKIP_SANITIZE:-0}" != 1 ]; then
  cmake -S "$here" -B "$here/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUELA_SANITIZE_THREAD=ON \
    -DQUELA_TEST_DIRS=playback_convert -DQUELA_BUILD_BENCH=OFF >/dev/null
  cmake --build "$here/build-tsan" --target playback_convert_test -j "$jobs"
  TSAN_OPTIONS=halt_on_error=1 "$here/build-tsan/tests/playback_convert/playback_convert_test" \
    --gtest_filter='VideoFrameBufferTest.*:VideoStatsTest.*:MeanSampling*'
fi

fuzz_seconds="${QUELA_FUZZ_SECONDS:-20}"
if [ "$fuzz_seconds" != 0 ] && [ -x "$here/scripts/run_fuzz.sh" ]; then
  "$here/scripts/run_fuzz.sh" "$fuzz_seconds"
fi
