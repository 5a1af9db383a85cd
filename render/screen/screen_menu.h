#pragma once
// The menu items of the stereo-mode, screen-type and 3D-type groups and their
// check marks. The check marks are state: the 3D-type key reads them back.
#include <cstdint>

namespace quela {

inline constexpr std::uint32_t ID_STEREO_2D = 32775;
inline constexpr std::uint32_t ID_STEREO_SBS = 32776;
inline constexpr std::uint32_t ID_STEREO_OU = 32777;
inline constexpr std::uint32_t ID_SCREEN_FLAT = 32779;
inline constexpr std::uint32_t ID_SCREEN_CURVED = 32780;
inline constexpr std::uint32_t ID_3DTYPE_HALF = 32782;
inline constexpr std::uint32_t ID_3DTYPE_FULL = 32783;
inline constexpr std::uint32_t ID_SCREEN_PANO180 = 32786;
inline constexpr std::uint32_t ID_SCREEN_PANO360 = 32787;
inline constexpr std::uint32_t ID_SCREEN_SPHERE = 32788;
inline constexpr std::uint32_t ID_SCREEN_DOME = 32789;
inline constexpr std::uint32_t ID_SCREEN_DISH180 = 32791;

// One checked item per group, as the menu resource starts. None of these items is ever grayed.
struct MenuChecks {
  std::uint32_t stereoMode = ID_STEREO_2D;
  std::uint32_t screenType = ID_SCREEN_FLAT;
  std::uint32_t video3DType = ID_3DTYPE_HALF;

  constexpr bool IsChecked(std::uint32_t id) const {
    return id == stereoMode || id == screenType || id == video3DType;
  }
};

}  // namespace quela
