#!/usr/bin/env bash
# Installs every Debian package Quela needs, then configures and builds it.
# Safe to run more than once. Run as root (or with sudo available) on Debian 12.
#   scripts/setup.sh            install + configure + build (build/)
#   scripts/setup.sh --deps     install packages only
#   BUILD_DIR=... BUILD_TYPE=... SANITIZE=ON scripts/setup.sh
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${BUILD_DIR:-$here/build}"
build_type="${BUILD_TYPE:-RelWithDebInfo}"
sanitize="${SANITIZE:-OFF}"

packages=(
  # toolchain and test tools
  build-essential cmake ninja-build pkg-config git clang libclang-rt-14-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # window, menu, dialogs
  libsdl2-dev libimgui-dev libstb-dev libgtk-3-dev
  # graphics: OpenGL 3.3 through libepoxy; Mesa's llvmpipe runs it without a GPU
  libepoxy-dev libegl-dev libgl-dev libgl1-mesa-dri libegl-mesa0 mesa-utils xvfb xauth
  # text, images, compression
  libfreetype-dev fonts-dejavu-core libpng-dev zlib1g-dev
  # media
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-tools
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-plugins-ugly gstreamer1.0-libav
  # frame conversion (OpenCV) and the conversion benchmark's reference (libyuv)
  libopencv-core-dev libopencv-imgproc-dev libyuv-dev
  # headsets
  libopenhmd-dev
)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -q
  as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
[ "${1:-}" = "--deps" ] && exit 0

generator=()
command -v ninja >/dev/null && [ ! -f "$build_dir/CMakeCache.txt" ] && generator=(-G Ninja)
cmake -S "$here" -B "$build_dir" "${generator[@]}" \
  -DCMAKE_BUILD_TYPE="$build_type" -DQUELA_SANITIZE="$sanitize"
cmake --build "$build_dir" -j "$(nproc)"
# The demo video the first README command plays, made once with GStreamer's own encoders.
[ -f "$build_dir/run/demo.mkv" ] || "$here/scripts/make_demo_video.sh" "$build_dir/run/demo.mkv"
echo "setup: built into $build_dir (run folder: $build_dir/run)"
