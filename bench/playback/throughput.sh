#!/usr/bin/env bash
# Untimed throughput at 1080p: the same H.264 + AAC MP4 played as fast as it
# goes (a) by GStreamer alone, decoding into fake sinks, and (b) by the whole
# program (--untimed: no clock, quits at the end of the video) in the simulated
# headset, headless. Prints frames per second of each and their ratio.
#   bench/playback/throughput.sh [BUILD_DIR] [FRAMES]
# The program's start-up, its one-second wait before opening the file and its
# shutdown are taken out by playing a one-second clip the same way and
# subtracting: fps = (drawn - drawn short) / (seconds - seconds short).
set -euo pipefail
run_dir="$(cd "${1:-$(dirname "$0")/../../build}" && pwd)/run"
frames="${2:-600}"
fps=30
short_frames="$fps"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# clip FILE FRAMES: 1080p30 H.264 with AAC audio of the same length, in MP4.
clip() {
  gst-launch-1.0 -q -e videotestsrc num-buffers="$2" pattern=ball motion=sweep \
      ! video/x-raw,format=I420,width=1920,height=1080,framerate="$fps"/1 ! x264enc speed-preset=ultrafast ! h264parse ! queue ! mux. \
    audiotestsrc num-buffers=$(( $2 * 44100 / (fps * 1024) + 1 )) ! audioconvert ! avenc_aac ! aacparse ! queue ! mux. \
    mp4mux name=mux ! filesink location="$1"
}
clip long.mp4 "$frames"
clip short.mp4 "$short_frames"

now() { date +%s.%N; }

# (a) Decode only.
start=$(now)
gst-launch-1.0 -q playbin uri="file://$work/long.mp4" \
  video-sink="fakesink sync=false" audio-sink="fakesink sync=false" > /dev/null
decode_seconds=$(awk -v a="$start" -v b="$(now)" 'BEGIN { print b - a }')

# (b) The program. A script quits it after 10 minutes should the end never come.
echo "600 quit" > guard.txt
# play FILE: prints "FRAMES_DRAWN SECONDS" for one untimed run. No sound card here: the audio goes to a null output.
play() {
  local start line
  start=$(now)
  line=$(SDL_AUDIODRIVER=dummy "$run_dir/quela" --hmd=simulated --headless --untimed --script=guard.txt "$1" 2>/dev/null \
           | grep "Video Statistics")
  echo "$line" >&2
  awk -v a="$start" -v b="$(now)" -v line="$line" \
    'BEGIN { split(line, f, ","); n = split(f[2], d, " "); print d[n], b - a }'
}
read -r short_drawn short_seconds < <(play short.mp4)
read -r long_drawn long_seconds < <(play long.mp4)

awk -v frames="$frames" -v ds="$decode_seconds" -v sd="$short_drawn" -v ss="$short_seconds" \
    -v ld="$long_drawn" -v ls="$long_seconds" 'BEGIN {
  decode = frames / ds
  program = (ld - sd) / (ls - ss)
  printf "Decode only (playbin, fake sinks):  %d frames in %.2f s = %.1f fps\n", frames, ds, decode
  printf "Program, untimed:                   %d frames drawn in %.2f s = %.1f fps\n", ld - sd, ls - ss, program
  printf "                                    (runs of %.2f s for %d frames and %.2f s for %d)\n", ls, ld, ss, sd
  printf "Program / decode only:              %.2f\n", program / decode
}'
