#include "tools/screen_models.h"

#include <cmath>
#include <numbers>
#include <string>

#include "tools/mesh_builder.h"

namespace quela::tools {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// The renderer places a screen at z = base distance − this (the viewer starts at the origin).
constexpr float kPlacementOffset = 25.0f;
// The shape the renderer starts with and most videos have; the flat and
// curved screens stretch by the aspect in x, the 180° screens squeeze by it
// in y, so their models are drawn for this aspect and stay undistorted at it.
constexpr float kReferenceAspect = 16.0f / 9.0f;
// Horizontal angle a 16:9 picture covers on the flat and curved screens:
// well inside a DK2 eye's ±47°, so the edges stay in view without turning.
constexpr float kFramedPictureSpan = 60.0f * kPi / 180.0f;
// Radius of the surrounding screens: as far as the flat screen, so a picture
// fills the 180° and 360° screens at the same distance.
constexpr float kSurroundRadius = 10.0f;
// 360° videos are equirectangular 2:1 frames; the 360° cylinder is as tall as
// such a frame's middle band needs to keep its proportions at the horizon.
constexpr float kEquirectangularAspect = 2.0f;

// White keeps the video's colours: the toolkit multiplies the texture by the
// material colour. Without a video the screen shows plain white.
constexpr MaterialColors kScreenMaterial{{1.0f, 1.0f, 1.0f}, 1.0f, {0, 0, 0}};

// Columns and rows: fine enough that edges and the interpolated texture look
// smooth (under 2° per cell on the surrounding screens), far below 65,536 vertices.
struct Tessellation {
  int cols, rows;
};

float ViewerDistance(ScreenType type) {
  return kPlacementOffset - kScreenModels[static_cast<int>(type)].baseDistance;
}

// The direction from the centre at longitude lon (to the right of straight
// ahead, −Z) and latitude lat (upward).
Vec3 Direction(float lon, float lat) {
  return {std::cos(lat) * std::sin(lon), std::sin(lat), -std::cos(lat) * std::cos(lon)};
}

// A sphere patch around `centre` (model space), with the model's y later
// divided by yScale by the renderer; returns points whose world image is a
// true sphere of radius r around the viewer.
SurfacePoint SpherePoint(Vec3 centre, float r, float lon, float lat, float yScale) {
  const Vec3 d = Direction(lon, lat);
  const Vec3 p = centre + Vec3{d.x * r, d.y * r * yScale, d.z * r};
  return {p, Normalize(Vec3{-d.x, -d.y / yScale, -d.z})};
}

// A vertical cylinder around `centre` whose x is later multiplied by
// xScale; its world image is a true circle of radius r around the viewer.
SurfacePoint CylinderPoint(Vec3 centre, float r, float lon, float y, float xScale) {
  const Vec3 d = Direction(lon, 0);
  const Vec3 p = centre + Vec3{d.x * r / xScale, y, d.z * r};
  return {p, Normalize(Vec3{-d.x * xScale, 0, -d.z})};
}

void AddScreenSurface(MeshBuilder& mesh, ScreenType type) {
  const float distance = ViewerDistance(type);
  // Model-space point that the placement moves onto the viewer.
  const Vec3 viewer{0, 0, distance};
  switch (type) {
    case ScreenType::Flat: {
      // Square: the renderer's x scale by the aspect makes the picture's shape.
      const float half = distance * std::tan(kFramedPictureSpan / 2) / kReferenceAspect;
      mesh.AddSurface([=](float u, float v) { return SurfacePoint{{(2 * u - 1) * half, (1 - 2 * v) * half, 0}, {0, 0, 1}}; },
                      16, 16);
      return;
    }
    case ScreenType::Curved: {
      // An arc around the viewer as wide as the flat picture's angle, as tall as a 16:9 picture on it.
      const float halfHeight = distance * (kFramedPictureSpan / 2) / kReferenceAspect;
      mesh.AddSurface(
          [=](float u, float v) {
            return CylinderPoint(viewer, distance, (u - 0.5f) * kFramedPictureSpan, (1 - 2 * v) * halfHeight, kReferenceAspect);
          },
          48, 16);
      return;
    }
    case ScreenType::Panoramic180: {
      // The renderer divides y by the aspect, so a model as tall as the half
      // circle is long shows every aspect undistorted.
      const float halfHeight = kSurroundRadius * kPi / 2;
      mesh.AddSurface(
          [=](float u, float v) { return CylinderPoint(viewer, kSurroundRadius, (u - 0.5f) * kPi, (1 - 2 * v) * halfHeight, 1); },
          96, 32);
      return;
    }
    case ScreenType::PanoramicDish180: {
      // 180° across; a 16:9 picture then spans 180° / (16/9) of latitude.
      const float halfLatitude = kPi / 2 / kReferenceAspect;
      mesh.AddSurface(
          [=](float u, float v) {
            return SpherePoint(viewer, kSurroundRadius, (u - 0.5f) * kPi, (1 - 2 * v) * halfLatitude, kReferenceAspect);
          },
          96, 48);
      return;
    }
    case ScreenType::Dome:
      // The front hemisphere, for 180° x 180° equirectangular frames.
      mesh.AddSurface(
          [=](float u, float v) { return SpherePoint(viewer, kSurroundRadius, (u - 0.5f) * kPi, (0.5f - v) * kPi, 1); },
          96, 96);
      return;
    case ScreenType::Panoramic360: {
      // The seam (u = 0 and 1) is straight behind the viewer.
      const float halfHeight = kSurroundRadius * kPi / kEquirectangularAspect;
      mesh.AddSurface(
          [=](float u, float v) {
            return CylinderPoint(viewer, kSurroundRadius, (u - 0.5f) * 2 * kPi, (1 - 2 * v) * halfHeight, 1);
          },
          192, 32);
      return;
    }
    case ScreenType::Spherical:
      // 2:1 equirectangular: 360° of longitude across, 180° of latitude down.
      mesh.AddSurface(
          [=](float u, float v) { return SpherePoint(viewer, kSurroundRadius, (u - 0.5f) * 2 * kPi, (0.5f - v) * kPi, 1); },
          192, 96);
      return;
  }
}

}  // namespace

std::vector<toolkit::CmoMesh> BuildScreenModel(ScreenType type) {
  MeshBuilder mesh;
  AddScreenSurface(mesh, type);
  std::string name(kScreenModels[static_cast<int>(type)].fileName);
  name.resize(name.size() - std::string_view(".cmo").size());
  return {mesh.Build(name, "screen", kScreenMaterial)};
}

}  // namespace quela::tools
