#!/usr/bin/env bash
# Installs what Quela needs, builds it, and plays the demo video with the
# simulated headset: in a window where a display exists, otherwise headless,
# saving a screenshot of the headset image after a few seconds.
#   scripts/run.sh [extra quela options]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/setup.sh"
cd "$here/build/run"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec ./quela --hmd=simulated "$@" demo.mkv
fi
shot="$here/build/run/screenshot.png"
status=0
printf '6 screenshot %s\n6.5 quit\n' "$shot" > "$here/build/run/demo-script.txt"
./quela --hmd=simulated --headless --script=demo-script.txt "$@" demo.mkv || status=$?
echo "quela exited with status $status; log: $(ls -t "$here"/build/run/QuelaDEBUG.log/*.log "$here"/build/run/*.log 2>/dev/null | head -n 1)"
[ -f "$shot" ] && echo "screenshot: $shot"
exit "$status"
