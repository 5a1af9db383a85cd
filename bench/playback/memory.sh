#!/usr/bin/env bash
# Peak memory of real-time playback at 1080p: the program plays a 1080p30
# H.264 + AAC MP4 for SECONDS in the simulated headset, headless, and the
# maximum resident set size of the whole run is printed in MiB, next to that
# of the same run without a video.
#   bench/playback/memory.sh [SECONDS] [BUILD_DIR]
set -euo pipefail
seconds="${1:-20}"
run_dir="$(cd "${2:-$(dirname "$0")/../../build}" && pwd)/run"
fps=30
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
frames=$(( (seconds + 2) * fps ))
gst-launch-1.0 -q -e videotestsrc num-buffers="$frames" pattern=ball motion=sweep \
    ! video/x-raw,format=I420,width=1920,height=1080,framerate="$fps"/1 ! x264enc speed-preset=ultrafast ! h264parse ! queue ! mux. \
  audiotestsrc num-buffers=$(( frames * 44100 / (fps * 1024) + 1 )) ! audioconvert ! avenc_aac ! aacparse ! queue ! mux. \
  mp4mux name=mux ! filesink location=clip.mp4
# The file opens a second after start; the script counts from the main loop's start.
printf '%s quit\n' "$((seconds + 1))" > play.txt

# peak [VIDEO]: the run's statistics line, if any, then its peak resident set size in KiB on the last line.
# No sound card here: the audio goes to a null output.
peak() {
  if [[ -x /usr/bin/time ]]; then
    SDL_AUDIODRIVER=dummy /usr/bin/time -v -o time.txt \
      "$run_dir/quela" --hmd=simulated --headless --script=play.txt "$@" 2>/dev/null | grep "Video Statistics" || true
    awk -F': ' '/Maximum resident set size/ { print $2 }' time.txt
  else
    # Without GNU time: the kernel's high-water mark, read until the process ends.
    SDL_AUDIODRIVER=dummy "$run_dir/quela" --hmd=simulated --headless --script=play.txt "$@" > out.txt 2>/dev/null &
    local pid=$! hwm=0 kib
    while kib=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status" 2>/dev/null) && [[ -n "$kib" ]]; do
      hwm=$kib
      sleep 0.2
    done
    wait "$pid" || true
    grep "Video Statistics" out.txt || true
    echo "$hwm"
  fi
}

with_video=$(peak clip.mp4)
without_video=$(peak)
echo "$with_video" | sed '$d'
awk -v seconds="$seconds" -v a="$(echo "$with_video" | tail -n 1)" -v b="$(echo "$without_video" | tail -n 1)" 'BEGIN {
  printf "Peak resident set size, 1080p30 H.264 played for %d s: %.1f MiB\n", seconds, a / 1024
  printf "Peak resident set size, same run without a video:     %.1f MiB (playback adds %.1f MiB)\n", b / 1024, (a - b) / 1024
}'
