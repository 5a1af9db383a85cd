#pragma once
// The display vocabulary shared by the renderer, the frame renderer, the GUI
// and the scenes. Geometry: right-handed, +Y up, the viewer looks along -Z at
// start, row vectors; eye 0 is the left eye.
#include <cstdint>

namespace quela {

// How a decoded frame holds its views. The values are DEFAULT_STEREO_MODE's.
enum class StereoMode : std::int32_t { Mono2D = 0, SideBySide = 1, OverUnder = 2 };

// Whether each view of a stereo frame was squeezed to half the frame or kept
// whole. Meaningless in Mono2D. Shared with the streaming thread (atomic).
enum class Video3DType : std::uint8_t { HalfHalf = 0, FullFull = 1 };

// True while the eyes exchange their views.
using StereoFlip = bool;

// The values are DEFAULT_SCREEN_TYPE's; the seven models load in this order.
enum class ScreenType : std::int32_t {
  Flat = 0,
  Curved = 1,
  Panoramic180 = 2,
  PanoramicDish180 = 3,
  Dome = 4,
  Panoramic360 = 5,
  Spherical = 6,
};
inline constexpr int kScreenTypeCount = 7;

// Above: the screen hangs overhead, for watching lying down.
enum class ScreenPlacement : std::uint8_t { InFront = 0, Above = 1 };

}  // namespace quela
