#pragma once
// Which part of a decoded frame each view takes, the picture's aspect ratio per
// layout, and which view each eye shows. Pure functions; any thread.
#include <array>

#include "render/screen/stereo_types.h"

namespace quela {

// Source rectangle in frame pixels; right and bottom are exclusive.
struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  friend constexpr bool operator==(const PixelRect&, const PixelRect&) = default;
};

struct FrameViews {
  int count = 0;                   // 1 in Mono2D, else 2
  std::array<PixelRect, 2> views;  // views[1] is empty when count is 1
  int textureWidth = 0;            // size of one view texture, pixels
  int textureHeight = 0;
};

// Cuts a width x height frame. The second view starts one pixel past the middle.
// A mode outside the enumeration is cut as Mono2D.
FrameViews SplitFrame(int width, int height, StereoMode mode);

// Width over height of one eye's picture; 0 for an empty frame.
float PictureAspect(int width, int height, StereoMode mode, Video3DType type);

// The view that the frame renderer puts into eye's entry of the frame-texture table.
int FrameTextureView(int eye, StereoMode mode);

// The entry of the frame-texture table that eye draws from.
constexpr int EyeEntry(int eye, StereoFlip flip) { return flip ? 1 - eye : eye; }

}  // namespace quela
