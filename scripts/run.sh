#!/usr/bin/env bash
# Installs what Quela needs, builds it, and runs it with the simulated headset:
# in a window where a display exists, otherwise headless, saving a screenshot.
#   scripts/run.sh [extra quela options]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/setup.sh"
cd "$here/build/run"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec ./quela --hmd=simulated "$@"
fi
shot="$here/build/run/screenshot.png"
status=0
./quela --hmd=simulated --headless --frames=150 --screenshot="$shot" "$@" || status=$?
echo "quela exited with status $status; log: $(ls -t "$here"/build/run/QuelaDEBUG.log/*.log "$here"/build/run/*.log 2>/dev/null | head -n 1)"
[ -f "$shot" ] && echo "screenshot: $shot"
exit "$status"
