#!/bin/sh
# Makes the demo video: 15 s of 1280x720 H.264 with AAC audio in Matroska.
# The left half sweeps a ball round once a second (the clock: one turn per
# second, and a fresh frame count on every turn), the right half scrolls colour
# bars (motion), so side-by-side 3D shows two distinct eyes; the audio is a
# 440 Hz tone. Usage: make_demo_video.sh OUT.mkv
set -eu
out=${1:?usage: make_demo_video.sh OUT.mkv}
seconds=15
fps=30
frames=$((seconds * fps))
half="video/x-raw,width=640,height=720,framerate=$fps/1"

gst-launch-1.0 -q -e \
  compositor name=mix sink_1::xpos=640 \
    ! video/x-raw,width=1280,height=720,framerate=$fps/1,format=I420 \
    ! x264enc speed-preset=ultrafast key-int-max=$fps bitrate=4000 ! h264parse ! queue ! mux. \
  videotestsrc num-buffers=$frames pattern=ball motion=sweep animation-mode=running-time background-color=0xff202040 \
    ! $half ! mix.sink_0 \
  videotestsrc num-buffers=$frames pattern=smpte horizontal-speed=4 ! $half ! mix.sink_1 \
  audiotestsrc num-buffers=$((seconds * 48000 / 1024)) samplesperbuffer=1024 freq=440 volume=0.3 \
    ! audio/x-raw,rate=48000,channels=2 ! audioconvert ! avenc_aac ! aacparse ! queue ! mux. \
  matroskamux name=mux ! filesink location="$out"
