#!/usr/bin/env bash
# Frame time of the whole render loop (both eyes, flat screen, statistics text,
# distortion to 1920x1080) with the simulated headset, headless on llvmpipe:
# the difference between a long and a short run removes start-up.
#   bench/render/frame_time.sh [BUILD_DIR]
set -euo pipefail
run_dir="$(cd "${1:-$(dirname "$0")/../../build}" && pwd)/run"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
# Ctrl+F (the statistics text) is on from the first frame.
printf '0 key 0x11 down\n0 key 0x46 down\n0 key 0x46 up\n0 key 0x11 up\n' > stats.txt
elapsed() {
  local start end
  start=$(date +%s.%N)
  "$run_dir/quela" --hmd=simulated --headless --script=stats.txt --frames="$1" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
short=$(elapsed 20)
long=$(elapsed 220)
per_frame=$(echo "($long - $short) / 200 * 1000" | bc -l)
printf 'render loop: %.1f ms per frame (%.1f frames per second)\n' "$per_frame" "$(echo "1000 / $per_frame" | bc -l)"
