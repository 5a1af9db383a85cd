#pragma once
// The seven screen models the renderer loads as "Models/" + file name, in
// screen-type order, and the placement the renderer gives each of them.
//
// The renderer draws a screen with world = Scale(screen scale) ·
// Translation(0, 0, base distance − 25); the scale comes from the picture's
// aspect ratio a, per screen: (a, 1, 1) for the flat and curved screens,
// (1, 1/a, 1) for the 180° screens, (1, 1, 1) for the rest. The models are
// shaped for that: the viewer at the origin sees each picture upright and
// unmirrored, and stands at the centre of curvature of every curved screen
// (for the curved and dish screens exactly when a = 16:9, the usual video).
#include <array>
#include <string_view>
#include <vector>

#include "toolkit/formats/cmo.h"

namespace quela::tools {

enum class ScreenType { Flat, Curved, Panoramic180, PanoramicDish180, Dome, Panoramic360, Spherical };

struct ScreenModelInfo {
  ScreenType type;
  std::string_view fileName;
  float baseDistance;
};

inline constexpr std::array<ScreenModelInfo, 7> kScreenModels{{
    {ScreenType::Flat, "screenPlane2014.cmo", 15.0f},
    {ScreenType::Curved, "screenPlaneCurved2014.cmo", 15.0f},
    {ScreenType::Panoramic180, "screenPlaneCurved_180_2014.cmo", 21.0f},
    {ScreenType::PanoramicDish180, "screenPlaneCurved_180_45_2014.cmo", 18.6f},
    {ScreenType::Dome, "screenDome.cmo", 25.5f},
    {ScreenType::Panoramic360, "screenPlaneCurved_360_2014.cmo", 24.5f},
    {ScreenType::Spherical, "screenSphere360.cmo", 24.5f},
}};

// The model of one screen: a single mesh with one plain material.
std::vector<toolkit::CmoMesh> BuildScreenModel(ScreenType type);

}  // namespace quela::tools
