#include <gtest/gtest.h>

#include <cmath>

#include "ovr/distortion_mesh.h"
#include "ovr/dk2_optics.h"
#include "ovr/fov_math.h"
#include "ovr/universal_lens.h"

namespace {

using namespace quela::ovr;

float Length(ovrVector2f v) { return std::hypot(v.x, v.y); }

TEST(RadialScale, PassesThroughTheKnots) {
  EXPECT_FLOAT_EQ(dk2::RadialScale(0.0f), 1.0f);  // the curve starts at exactly 1
  for (int k = 1; k < 11; ++k) EXPECT_NEAR(dk2::RadialScale(static_cast<float>(k)), dk2::kKnots[k], 1e-6f) << k;
}

TEST(RadialScale, ContinuesAsAStraightLinePastTheLastKnot) {
  const float slope = dk2::kKnots[10] - dk2::kKnots[9];
  for (float v : {10.5f, 12.0f, 20.0f}) EXPECT_NEAR(dk2::RadialScale(v), 1.38f + (v - 10) * slope, 1e-5f) << v;
}

TEST(RadialScale, IsSmoothAcrossSegmentJoins) {
  for (int k = 1; k <= 10; ++k) {
    const float v = static_cast<float>(k), e = 1e-3f;
    EXPECT_NEAR(dk2::RadialScale(v - e), dk2::RadialScale(v + e), 1e-3f) << k;
  }
}

// Both lens models: what every lens must satisfy on both eyes.
class LensModelTest : public ::testing::TestWithParam<int> {
 protected:
  static std::unique_ptr<LensModel> Make(int which) {
    if (which == 0) return std::make_unique<dk2::CatmullRomLens>();
    UniversalLensParams p{};
    p.screenSizeMetres = {0.12576f, 0.07074f};
    p.lensSeparationMetres = 0.0635f;
    p.lensVerticalPositionMetres = 0.07074f / 2;
    p.k = {0.247f, -0.145f, 0.103f, 0.795f};
    p.aberration = {0.985f, 1.0f, 1.015f};
    p.fov[ovrEye_Left] = dk2::kLeftFov;
    p.fov[ovrEye_Right] = dk2::kRightFov;
    return std::make_unique<UniversalLens>(p);
  }
  // The panel point straight in front of each lens.
  static ovrVector2f LensCentre(int which, ovrEyeType eye) {
    const float x = which == 0 ? dk2::kLensCentreNdcX : (0.03175f / 0.06288f) * 2 - 1;
    return {eye == ovrEye_Left ? -x : x, 0.0f};
  }
};

// At the lens centre the channels meet; the DK2 model also looks straight ahead there.
TEST_P(LensModelTest, ChannelsMeetAtTheLensCentre) {
  const auto lens = Make(GetParam());
  for (ovrEyeType eye : {ovrEye_Left, ovrEye_Right}) {
    const ChannelTangents t = lens->TangentsAt(eye, LensCentre(GetParam(), eye));
    EXPECT_NEAR(t.red.x, t.green.x, 1e-5f);
    EXPECT_NEAR(t.blue.x, t.green.x, 1e-5f);
    EXPECT_NEAR(t.green.y, 0.0f, 1e-5f);
    if (GetParam() == 0) {
      EXPECT_NEAR(t.green.x, 0.0f, 1e-5f);
    }
  }
}

TEST_P(LensModelTest, GrowsOutwardAndKeepsRedInsideGreenInsideBlue) {
  const auto lens = Make(GetParam());
  for (ovrEyeType eye : {ovrEye_Left, ovrEye_Right}) {
    const ovrVector2f centre = LensCentre(GetParam(), eye);
    const ChannelTangents atCentre = lens->TangentsAt(eye, centre);
    for (ovrVector2f dir : {ovrVector2f{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {0.7f, 0.7f}, {-0.6f, -0.8f}}) {
      float previous = 0;
      for (int step = 1; step <= 20; ++step) {
        const float r = 0.05f * step;
        const ChannelTangents t = lens->TangentsAt(eye, {centre.x + dir.x * r, centre.y + dir.y * r});
        const auto away = [&](ovrVector2f v) { return Length({v.x - atCentre.green.x, v.y - atCentre.green.y}); };
        EXPECT_GT(away(t.green), previous) << "eye " << eye << " r " << r;
        EXPECT_LT(away(t.red), away(t.green)) << "eye " << eye << " r " << r;
        EXPECT_LT(away(t.green), away(t.blue)) << "eye " << eye << " r " << r;
        previous = away(t.green);
      }
    }
  }
}

TEST_P(LensModelTest, EyesAreMirrorImages) {
  const auto lens = Make(GetParam());
  for (ovrVector2f p : {ovrVector2f{0.3f, 0.2f}, {-0.8f, 0.9f}, {0.0f, -0.5f}}) {
    const ChannelTangents left = lens->TangentsAt(ovrEye_Left, p);
    const ChannelTangents right = lens->TangentsAt(ovrEye_Right, {-p.x, p.y});
    EXPECT_NEAR(left.blue.x, -right.blue.x, 1e-4f);
    EXPECT_NEAR(left.blue.y, right.blue.y, 1e-4f);
  }
}

INSTANTIATE_TEST_SUITE_P(Lenses, LensModelTest, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "CatmullRomDk2" : "UniversalDk2"; });

TEST(CatmullRomLens, FollowsTheSplineAlongTheAxis) {
  const dk2::CatmullRomLens lens;
  // On the horizontal axis through the lens centre, d = dx * 0.87333 and rsq = d^2.
  const float dx = 0.5f, d = dx * dk2::kTanAngleScale.x;
  const ChannelTangents t = lens.TangentsAt(ovrEye_Right, {dk2::kLensCentreNdcX + dx, 0});
  const float scale = dk2::RadialScale(10 * d * d);
  EXPECT_NEAR(t.green.x, d * scale, 1e-5f);
  EXPECT_NEAR(t.red.x, d * scale * (1 - 0.01234f - 0.0165f * d * d), 1e-5f);
  EXPECT_NEAR(t.blue.x, d * scale * (1 + 0.02059f + 0.0165f * d * d), 1e-5f);
}

TEST(DistortionMesh, FadesToBlackAtTheRimAndDropsCellsOutsideTheImage) {
  const dk2::CatmullRomLens lens;
  const DistortionMesh mesh = BuildDistortionMesh(lens, ovrEye_Left, dk2::kLeftFov);
  constexpr int side = kMeshCells + 1;
  ASSERT_EQ(mesh.vertices.size(), static_cast<size_t>(side * side));
  for (int i = 0; i < side; ++i) {
    EXPECT_LE(mesh.vertices[i].vignette, 0.0f);                          // bottom row
    EXPECT_LE(mesh.vertices[(side - 1) * side + i].vignette, 0.0f);      // top row
    EXPECT_LE(mesh.vertices[i * side].vignette, 0.0f);                   // left column
    EXPECT_LE(mesh.vertices[i * side + side - 1].vignette, 0.0f);        // right column
  }
  const DistortionVertex& middle = mesh.vertices[(side / 2) * side + side / 2];
  EXPECT_GE(middle.vignette, 1.0f);
  EXPECT_EQ(mesh.indices.size() % 6, 0u);
  EXPECT_LT(mesh.indices.size(), static_cast<size_t>(kMeshCells * kMeshCells * 6));  // corners culled
  EXPECT_GT(mesh.indices.size(), static_cast<size_t>(kMeshCells * kMeshCells * 6 / 2));
  for (std::uint16_t i : mesh.indices) ASSERT_LT(i, mesh.vertices.size());
}

}  // namespace
