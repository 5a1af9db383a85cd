#include "render/screen/stereo_layout.h"

#include <algorithm>

namespace quela {

FrameViews SplitFrame(int width, int height, StereoMode mode) {
  const int halfW = width / 2;
  const int halfH = height / 2;
  // min() keeps the second view well formed for frames under two pixels.
  switch (mode) {
    case StereoMode::SideBySide:
      return {2, {{{0, 0, halfW, height}, {std::min(halfW + 1, width), 0, width, height}}}, halfW, height};
    case StereoMode::OverUnder:
      return {2, {{{0, 0, width, halfH}, {0, std::min(halfH + 1, height), width, height}}}, width, halfH};
    case StereoMode::Mono2D:
      break;
  }
  return {1, {{{0, 0, width, height}, {}}}, width, height};
}

float PictureAspect(int width, int height, StereoMode mode, Video3DType type) {
  if (width <= 0 || height <= 0) return 0.0f;
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);
  if (type == Video3DType::FullFull) {
    if (mode == StereoMode::SideBySide) return (w * 0.5f) / h;
    if (mode == StereoMode::OverUnder) return w / (h * 0.5f);
  }
  return w / h;
}

int FrameTextureView(int eye, StereoMode mode) {
  return mode == StereoMode::SideBySide || mode == StereoMode::OverUnder ? eye : 0;
}

}  // namespace quela
