#include "tools/screen_models.h"
#include "tools/mesh_builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <ostream>
#include <stdexcept>
#include <string>

#include "tests/tools/model_checks.h"

namespace quela::tools::test {
namespace {

constexpr float kAspect = 16.0f / 9.0f;
constexpr float kDegree = std::numbers::pi_v<float> / 180;

enum class Curvature { None, Cylinder, Sphere };

// Each screen where the renderer puts it for a 16:9 video, viewer at the origin.
struct ScreenCase {
  ScreenType type;
  const char* fileName;
  float positionZ;
  Vec3 scale;
  Curvature curvature;
  float maxHalfWidth;  // largest azimuth of the picture seen from the viewer; 0 = all around
};

void PrintTo(const ScreenCase& c, std::ostream* os) { *os << c.fileName; }

const ScreenCase kCases[] = {
    {ScreenType::Flat, "screenPlane2014.cmo", -10.0f, {kAspect, 1, 1}, Curvature::None, 47 * kDegree},
    {ScreenType::Curved, "screenPlaneCurved2014.cmo", -10.0f, {kAspect, 1, 1}, Curvature::Cylinder, 47 * kDegree},
    {ScreenType::Panoramic180, "screenPlaneCurved_180_2014.cmo", -4.0f, {1, 1 / kAspect, 1}, Curvature::Cylinder, 0},
    {ScreenType::PanoramicDish180, "screenPlaneCurved_180_45_2014.cmo", -6.4f, {1, 1 / kAspect, 1}, Curvature::Sphere, 0},
    {ScreenType::Dome, "screenDome.cmo", 0.5f, {1, 1, 1}, Curvature::Sphere, 0},
    {ScreenType::Panoramic360, "screenPlaneCurved_360_2014.cmo", -0.5f, {1, 1, 1}, Curvature::Cylinder, 0},
    {ScreenType::Spherical, "screenSphere360.cmo", -0.5f, {1, 1, 1}, Curvature::Sphere, 0},
};

class ScreenModel : public ::testing::TestWithParam<ScreenCase> {
 protected:
  Vec3 Place(Vec3 p) const { return Hadamard(p, GetParam().scale) + Vec3{0, 0, GetParam().positionZ}; }
  Vec3 PlaceNormal(Vec3 n) const {
    const Vec3 s = GetParam().scale;
    return Normalize({n.x / s.x, n.y / s.y, n.z / s.z});
  }
  toolkit::CmoMesh mesh_ = RoundTrip(BuildScreenModel(GetParam().type));
};

TEST_P(ScreenModel, HasTheRendererFileNameAndSoundData) {
  EXPECT_EQ(kScreenModels[static_cast<int>(GetParam().type)].fileName, GetParam().fileName);
  ExpectWellFormed(mesh_);
  // The video is multiplied by the material: any tint or alpha would show on it.
  EXPECT_EQ(mesh_.materials[0].diffuse, (std::array<float, 4>{1, 1, 1, 1}));
}

TEST_P(ScreenModel, FacesTheViewerAtItsDefaultPosition) {
  const Vec3 viewer{0, 0, 0};
  for (const Triangle& t : Triangles(mesh_, [&](Vec3 p) { return Place(p); })) {
    ASSERT_GT(Dot(t.Normal(), viewer - t.Centroid()), 0) << "a triangle is wound away from the viewer";
    for (int k = 0; k < 3; ++k)
      ASSERT_GT(Dot(PlaceNormal(NormalOf(*t.v[k])), viewer - t.p[k]), 0) << "a normal points away from the viewer";
  }
}

TEST_P(ScreenModel, ViewerStandsAtTheCentreOfCurvature) {
  if (GetParam().curvature == Curvature::None) GTEST_SKIP() << "flat";
  const bool sphere = GetParam().curvature == Curvature::Sphere;
  const auto distance = [&](Vec3 p) { return sphere ? Length(p) : std::hypot(p.x, p.z); };
  const auto& vertices = mesh_.vertexBuffers[0];
  const float radius = distance(Place(PositionOf(vertices[0])));
  for (const auto& v : vertices) ASSERT_NEAR(distance(Place(PositionOf(v))), radius, radius * 1e-4f);
}

TEST_P(ScreenModel, ShowsThePictureUprightAndUnmirrored) {
  int judged = 0;
  for (const Triangle& t : Triangles(mesh_, [&](Vec3 p) { return Place(p); })) {
    bool upright = false;
    if (!ReadsUprightFromOrigin(t, upright)) continue;
    ++judged;
    ASSERT_TRUE(upright) << "near u " << t.v[0]->texcoord[0] << " v " << t.v[0]->texcoord[1];
  }
  EXPECT_GT(judged, static_cast<int>(mesh_.indexBuffers[0].size() / 3 / 2));

  // The whole picture is shown: texture coordinates span 0..1 both ways.
  std::array<float, 4> span{1, 1, 0, 0};  // min u, min v, max u, max v
  for (const auto& v : mesh_.vertexBuffers[0])
    for (int k = 0; k < 2; ++k) span[k] = std::min(span[k], v.texcoord[k]), span[k + 2] = std::max(span[k + 2], v.texcoord[k]);
  EXPECT_EQ(span, (std::array<float, 4>{0, 0, 1, 1}));
}

TEST_P(ScreenModel, FramedScreensFitInOneEyesView) {
  if (GetParam().maxHalfWidth == 0) GTEST_SKIP() << "surrounds the viewer";
  float halfWidth = 0;
  for (const auto& v : mesh_.vertexBuffers[0]) {
    const Vec3 p = Place(PositionOf(v));
    halfWidth = std::max(halfWidth, std::abs(std::atan2(p.x, -p.z)));
  }
  EXPECT_LT(halfWidth, GetParam().maxHalfWidth);
  EXPECT_GT(halfWidth, GetParam().maxHalfWidth / 2) << "too small to watch comfortably";
}

TEST(MeshBuilder, RefusesMoreVerticesThanSixteenBitIndicesReach) {
  MeshBuilder builder;
  builder.AddSurface([](float u, float v) { return SurfacePoint{{u, -v, 0}, {0, 0, 1}}; }, 256, 256);
  EXPECT_THROW(builder.Build("big", "big", {}), std::length_error);
}

INSTANTIATE_TEST_SUITE_P(AllScreens, ScreenModel, ::testing::ValuesIn(kCases),
                         [](const auto& info) {
                           const std::string name = info.param.fileName;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace quela::tools::test
