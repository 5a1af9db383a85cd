#pragma once
// The menu items, texts, model files and base distances of the stereo modes,
// 3D types and screens. The screen menu ids are not in enumeration order; this
// table is the mapping.
#include <array>
#include <cstdint>
#include <string_view>

#include "render/screen/screen_menu.h"
#include "render/screen/stereo_types.h"

namespace quela {

struct StereoModeInfo {
  StereoMode mode;
  std::uint32_t menuId;
  std::string_view menuText;
  std::string_view defaultLogText;  // logged when the configuration selects it
};

inline constexpr std::array<StereoModeInfo, 3> kStereoModes{{
    {StereoMode::Mono2D, ID_STEREO_2D, "Standard 2D", "Default Stereo Type Set to Standard 2D"},
    {StereoMode::SideBySide, ID_STEREO_SBS, "Side By Side 3D", "Default Stereo Type Set to SBS 3D"},
    {StereoMode::OverUnder, ID_STEREO_OU, "Over Under 3D", "Default Stereo Type Set to OverUnder 3D"},
}};

struct Video3DTypeInfo {
  Video3DType type;
  std::uint32_t menuId;
  std::string_view menuText;
};

inline constexpr std::array<Video3DTypeInfo, 2> kVideo3DTypes{{
    {Video3DType::HalfHalf, ID_3DTYPE_HALF, "Half / Half"},
    {Video3DType::FullFull, ID_3DTYPE_FULL, "Full / Full"},
}};

struct ScreenInfo {
  ScreenType type;
  std::uint32_t menuId;
  std::string_view menuText;
  std::string_view statusText;
  std::string_view modelFile;  // relative to the run folder
  float baseDistance;          // model units; the screen stands at z = baseDistance - 25
};

inline constexpr std::array<ScreenInfo, kScreenTypeCount> kScreens{{
    {ScreenType::Flat, ID_SCREEN_FLAT, "Flat Screen", "Flat Screen", "Models/screenPlane2014.cmo", 15.0f},
    {ScreenType::Curved, ID_SCREEN_CURVED, "Curved Screen", "Curved Screen", "Models/screenPlaneCurved2014.cmo",
     15.0f},
    {ScreenType::Panoramic180, ID_SCREEN_PANO180, "180 Panoramic Screen", "Panoramic 180 Screen",
     "Models/screenPlaneCurved_180_2014.cmo", 21.0f},
    {ScreenType::PanoramicDish180, ID_SCREEN_DISH180, "180 Panoramic Dish Screen", "Panoramic Dish 180 Screen",
     "Models/screenPlaneCurved_180_45_2014.cmo", 18.6f},
    {ScreenType::Dome, ID_SCREEN_DOME, "Dome Screen", "Dome Screen", "Models/screenDome.cmo", 25.5f},
    {ScreenType::Panoramic360, ID_SCREEN_PANO360, "360 Panoramic Screen", "Panoramic 360 Screen",
     "Models/screenPlaneCurved_360_2014.cmo", 24.5f},
    {ScreenType::Spherical, ID_SCREEN_SPHERE, "Spherical Panoramic", "Spherical Screen", "Models/screenSphere360.cmo",
     24.5f},
}};

// nullptr for a value outside the table.
constexpr const StereoModeInfo* FindStereoMode(StereoMode mode) {
  for (const StereoModeInfo& info : kStereoModes)
    if (info.mode == mode) return &info;
  return nullptr;
}

// nullptr for a value outside the table.
constexpr const ScreenInfo* FindScreen(ScreenType type) {
  for (const ScreenInfo& info : kScreens)
    if (info.type == type) return &info;
  return nullptr;
}

// nullptr when id is not a screen item.
constexpr const ScreenInfo* FindScreenByMenuId(std::uint32_t id) {
  for (const ScreenInfo& info : kScreens)
    if (info.menuId == id) return &info;
  return nullptr;
}

}  // namespace quela
