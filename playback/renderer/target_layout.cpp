#include "playback/renderer/target_layout.h"

#include <cmath>

namespace quela {
namespace {

// The products stay in float, as the rounding of the texture size depends on it.
int ScaledSize(int pixels, float dpi) {
  return static_cast<int>(std::ceil(static_cast<float>(pixels) * dpi * 0.010416667f));
}

}  // namespace

TargetLayout LayOutTargets(int width, int height, StereoMode mode, float dpiX, float dpiY) {
  const FrameViews views = SplitFrame(width, height, mode);
  TargetLayout layout{views.count, ScaledSize(width, dpiX), ScaledSize(height, dpiY), views.views};
  if (mode == StereoMode::SideBySide)
    layout.textureWidth = static_cast<int>(static_cast<float>(layout.textureWidth) * 0.5f);
  else if (mode == StereoMode::OverUnder)
    layout.textureHeight = static_cast<int>(static_cast<float>(layout.textureHeight) * 0.5f);
  return layout;
}

RectF TargetRect(const TargetLayout& layout, float dpiX, float dpiY) {
  return {0, 0, static_cast<float>(layout.textureWidth) * kLogicalDpi / dpiX,
          static_cast<float>(layout.textureHeight) * kLogicalDpi / dpiY};
}

RectF FitWithBars(RectF rect, float aspect) {
  if (!(aspect > 0.0f)) return rect;
  const float w = rect.width();
  const float h = rect.height();
  if (h >= w / aspect) {
    const float d = (h - w / aspect) * 0.5f;
    rect.top += d;
    rect.bottom -= d;
  } else {
    const float d = (w - h * aspect) * 0.5f;
    rect.left += d;
    rect.right -= d;
  }
  return rect;
}

}  // namespace quela
