#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ovr/distortion_mesh.h"
#include "ovr/dk2_optics.h"
#include "ovr/fov_math.h"

namespace {

using namespace quela::ovr;

TEST(RadialScale, PassesThroughTheKnotsAndContinuesStraight) {
  EXPECT_FLOAT_EQ(dk2::RadialScale(0.0f), 1.0f);
  for (int k = 1; k < 11; ++k) EXPECT_NEAR(dk2::RadialScale(static_cast<float>(k)), dk2::kKnots[k], 1e-6f) << k;
  EXPECT_NEAR(dk2::RadialScale(12.0f), 1.38f + 2 * (dk2::kKnots[10] - dk2::kKnots[9]), 1e-5f);
}

// At the lens centre the channels meet and look straight ahead; outward the tangents grow with red
// inside green inside blue; the eyes are mirror images.
TEST(CatmullRomLens, KeepsTheShapeOfALens) {
  const dk2::CatmullRomLens lens;
  for (ovrEyeType eye : {ovrEye_Left, ovrEye_Right}) {
    const ovrVector2f centre{eye == ovrEye_Left ? -dk2::kLensCentreNdcX : dk2::kLensCentreNdcX, 0.0f};
    const ChannelTangents atCentre = lens.TangentsAt(eye, centre);
    for (ovrVector2f t : {atCentre.red, atCentre.green, atCentre.blue}) EXPECT_NEAR(std::hypot(t.x, t.y), 0.0f, 1e-5f);
    for (ovrVector2f dir : {ovrVector2f{1, 0}, {0, -1}, {-0.6f, -0.8f}}) {
      float previous = 0;
      for (int step = 1; step <= 20; ++step) {
        const float r = 0.05f * step;
        const ChannelTangents t = lens.TangentsAt(eye, {centre.x + dir.x * r, centre.y + dir.y * r});
        const auto away = [&](ovrVector2f v) { return std::hypot(v.x - atCentre.green.x, v.y - atCentre.green.y); };
        EXPECT_GT(away(t.green), previous) << "eye " << eye << " r " << r;
        EXPECT_LT(away(t.red), away(t.green)) << "eye " << eye << " r " << r;
        EXPECT_LT(away(t.green), away(t.blue)) << "eye " << eye << " r " << r;
        previous = away(t.green);
      }
    }
  }
  for (ovrVector2f p : {ovrVector2f{0.3f, 0.2f}, {-0.8f, 0.9f}}) {
    const ChannelTangents left = lens.TangentsAt(ovrEye_Left, p), right = lens.TangentsAt(ovrEye_Right, {-p.x, p.y});
    EXPECT_NEAR(left.blue.x, -right.blue.x, 1e-4f);
    EXPECT_NEAR(left.blue.y, right.blue.y, 1e-4f);
  }
}

// Area in NDC of the triangles from index `begin` to `end`.
double TriangleArea(const DistortionMesh& mesh, std::size_t begin, std::size_t end) {
  double area = 0;
  for (std::size_t i = begin; i < end; i += 3) {
    const ovrVector2f a = mesh.vertices[mesh.indices[i]].panelNdc, b = mesh.vertices[mesh.indices[i + 1]].panelNdc,
                      c = mesh.vertices[mesh.indices[i + 2]].panelNdc;
    area += std::fabs(double{b.x - a.x} * (c.y - a.y) - double{c.x - a.x} * (b.y - a.y)) / 2;
  }
  return area;
}

// The rim's fade itself is checked on rendered frames. Here: the mesh covers the whole eye (the output
// is never cleared), in larger cells than the grid's where the lens is nearly straight; the bright cells,
// drawn without the vignette, come first; and the per-pixel source, interpolated across each triangle,
// stays within a texel of the lens model wherever the picture shows, or straight lines come out kinked.
TEST(DistortionMesh, CoversTheEyeAndInterpolatesTheLensWithinATexel) {
  const dk2::CatmullRomLens lens;
  const ovrFovPort& fov = dk2::kLeftFov;
  const DistortionMesh mesh = BuildDistortionMesh(lens, ovrEye_Left, fov, {960, 1080});
  for (std::uint16_t i : mesh.indices) ASSERT_LT(i, mesh.vertices.size());
  const size_t all = mesh.indices.size(), shown = all - mesh.outsideIndexCount;
  EXPECT_NEAR(TriangleArea(mesh, 0, all), 4.0, 1e-5);  // a grid cell is 1e-3
  EXPECT_LT(all, static_cast<size_t>(mesh.columns) * mesh.rows * 6 * 6 / 10);
  const double outsideArea = TriangleArea(mesh, shown, all);  // the corners show no picture
  EXPECT_GT(outsideArea, 0.1f);
  EXPECT_LT(outsideArea, 2.0f);
  EXPECT_GT(TriangleArea(mesh, 0, mesh.brightIndexCount), 1.0f);
  ASSERT_LT(mesh.brightIndexCount, shown);
  for (size_t cell = 0; cell < shown; cell += 6) {
    float dimmest = 1.0f;
    for (size_t k = 0; k < 6; ++k) dimmest = std::min(dimmest, mesh.vertices[mesh.indices[cell + k]].vignette);
    EXPECT_EQ(cell < mesh.brightIndexCount, dimmest >= 1.0f) << "cell at index " << cell;
  }

  const auto texel = [&](ovrVector2f tangent) {
    const ovrVector2f ndc = TangentToNdc(fov, tangent);
    return ovrVector2f{ndc.x * 0.5f * 1182, ndc.y * 0.5f * 1461};
  };
  const auto mix = [](ovrVector2f a, ovrVector2f b, ovrVector2f c, float u, float v) {
    return ovrVector2f{a.x + u * (b.x - a.x) + v * (c.x - a.x), a.y + u * (b.y - a.y) + v * (c.y - a.y)};
  };
  constexpr int kSteps = 8;
  float worst = 0;
  for (std::size_t i = 0; i < shown; i += 3) {
    const DistortionVertex &a = mesh.vertices[mesh.indices[i]], &b = mesh.vertices[mesh.indices[i + 1]],
                           &c = mesh.vertices[mesh.indices[i + 2]];
    for (int j = 0; j <= kSteps; ++j)
      for (int k = 0; j + k <= kSteps; ++k) {
        const float u = static_cast<float>(j) / kSteps, v = static_cast<float>(k) / kSteps;
        const ovrVector2f panel = mix(a.panelNdc, b.panelNdc, c.panelNdc, u, v);
        const ovrVector2f exact = lens.TangentsAt(ovrEye_Left, panel).green, exactNdc = TangentToNdc(fov, exact);
        if (std::fabs(exactNdc.x) > 0.9f || std::fabs(exactNdc.y) > 0.9f) continue;
        const ovrVector2f got = texel(mix(a.tanGreen, b.tanGreen, c.tanGreen, u, v)), want = texel(exact);
        worst = std::max(worst, std::hypot(got.x - want.x, got.y - want.y));
      }
  }
  EXPECT_LT(worst, 1.0f);
}

}  // namespace
