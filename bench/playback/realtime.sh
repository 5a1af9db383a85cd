#!/usr/bin/env bash
# Real-time playback in the simulated headset, headless: plays a clip for
# SECONDS with audio to a null output and prints the video sink's own
# statistics line (frames drawn and dropped, average rate, jitter).
#   bench/playback/realtime.sh [SECONDS] [WIDTHxHEIGHT@FPS] [BUILD_DIR]
set -euo pipefail
seconds="${1:-30}"
format="${2:-1280x720@30}"
run_dir="$(cd "${3:-$(dirname "$0")/../../build}" && pwd)/run"
width="${format%%x*}"; rest="${format#*x}"; height="${rest%@*}"; fps="${format#*@}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
gst-launch-1.0 -q -e videotestsrc num-buffers=$(( (seconds + 2) * fps )) pattern=ball motion=sweep \
    ! video/x-raw,format=I420,width="$width",height="$height",framerate="$fps"/1 ! x264enc speed-preset=ultrafast ! h264parse ! queue ! mux. \
  audiotestsrc num-buffers=$(( (seconds + 2) * 47 )) ! audioconvert ! avenc_aac ! aacparse ! queue ! mux. \
  matroskamux name=mux ! filesink location=clip.mkv
printf '%s quit\n' "$((seconds + 1))" > play.txt
# No sound card here: the audio goes to a null output.
SDL_AUDIODRIVER=dummy "$run_dir/quela" --hmd=simulated --headless --script=play.txt clip.mkv 2>/dev/null | grep "Video Statistics"
