#!/usr/bin/env bash
# Frame time of the whole render loop (both eyes, flat screen, statistics text,
# distortion to 1920x1080) with the simulated headset, headless on llvmpipe:
# the difference between a long and a short run removes start-up. Each round
# also runs render_loop_reference, the least such a frame can do, so that the
# two figures of a round share the machine's load of the moment.
#   bench/render/frame_time.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail
build="$(cd "${1:-$(dirname "$0")/../../build}" && pwd)"
rounds="${2:-3}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
# Ctrl+F (the statistics text) is on from the first frame.
printf '0 key 0x11 down\n0 key 0x46 down\n0 key 0x46 up\n0 key 0x11 up\n' > stats.txt
elapsed() {
  local start end
  start=$(date +%s.%N)
  "$build/run/quela" --hmd=simulated --headless --script=stats.txt --frames="$1" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
for ((round = 1; round <= rounds; ++round)); do
  short=$(elapsed 20)
  long=$(elapsed 220)
  ours=$(echo "($long - $short) / 200 * 1000" | bc -l)
  reference=$("$build/bench/render/render_loop_reference" 2>/dev/null | awk '/^RenderLoopReference/ {print $2}')
  printf 'render loop: %.1f ms per frame (%.1f frames per second); reference: %.1f ms (%.1f)\n' \
    "$ours" "$(echo "1000 / $ours" | bc -l)" "$reference" "$(echo "1000 / $reference" | bc -l)"
done
