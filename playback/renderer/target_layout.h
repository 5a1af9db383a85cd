#pragma once
// Geometry of the view textures: their size at the desktop DPI, the part of
// the frame each view shows, and where the picture lands inside a texture.
// Pure functions; any thread.
#include <array>

#include "render/screen/stereo_layout.h"
#include "render/screen/stereo_types.h"

namespace quela {

// Device-independent pixels (1/96 inch) unless a name says otherwise.
struct RectF {
  float left = 0, top = 0, right = 0, bottom = 0;
  float width() const { return right - left; }
  float height() const { return bottom - top; }
  friend constexpr bool operator==(const RectF&, const RectF&) = default;
};

inline constexpr float kLogicalDpi = 96.0f;  // the desktop's DPI when it is not scaled

struct TargetLayout {
  int viewCount = 0;
  int textureWidth = 0;  // pixels; may be 0 for a frame too small to split
  int textureHeight = 0;
  std::array<PixelRect, 2> source{};  // frame pixels, per view
};

// A frame of width x height pixels at 96 DPI fills a texture of the desktop's
// DPI; stereo layouts halve it (truncating) and cut the frame as SplitFrame does.
TargetLayout LayOutTargets(int width, int height, StereoMode mode, float dpiX, float dpiY);

// A texture of the layout's size seen in DIPs: (0, 0, width x 96 / dpiX, height x 96 / dpiY).
RectF TargetRect(const TargetLayout& layout, float dpiX, float dpiY);

// The picture of this aspect (width / height) centred inside rect with bars
// above and below, or left and right. A non-positive aspect leaves rect as it is.
RectF FitWithBars(RectF rect, float aspect);

}  // namespace quela
