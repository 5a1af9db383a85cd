#include "tools/gui_models.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>

#include "tests/tools/model_checks.h"

namespace quela::tools::test {
namespace {

constexpr float kPi = 3.14159265f;

enum class Shape { Slab, Prism, Plane };

// The panel as the GUI lays it out (spins at rest, thumb at the start, the
// cursor amid the controls).
struct PartCase {
  GuiModel model;
  const char* fileName;
  Vec3 position;
  RollPitchYaw rotation;
  Vec3 drawScale;
  float hitScale;  // 0: the GUI never tests this part against the cursor
  Shape shape;
};

void PrintTo(const PartCase& c, std::ostream* os) { *os << c.fileName; }

const PartCase kParts[] = {
    {GuiModel::Cursor, "mouseCursor.cmo", {0, -4, -5}, {-kPi / 4, 0, 0}, {0.25f, 0.25f, 0.25f}, 0.25f, Shape::Slab},
    {GuiModel::Loop, "buttonLoop.cmo", {3.7f, -5, -5}, {0, kPi / 2, -kPi / 4}, {0.15f, 0.15f, 0.25f}, 0.15f, Shape::Slab},
    {GuiModel::Surround, "buttonSurround1.cmo", {-2.0235f, -4, -5}, {kPi / 4, 0, 0}, {0.25f, 0.25f, 0.25f}, 0.25f, Shape::Slab},
    {GuiModel::Play, "buttonPlay.cmo", {-2.0235f, -4, -5}, {0, 4.625122547f, -kPi / 4}, {0.25f, 0.25f, 0.25f}, 0.25f, Shape::Slab},
    {GuiModel::Pause, "buttonPause.cmo", {-2.0235f, -4, -5}, {0, 4.625122547f, -kPi / 4}, {0.25f, 0.25f, 0.25f}, 0.25f, Shape::Slab},
    {GuiModel::SeekBar, "seekBar.cmo", {1.3f, -4, -5}, {0, 0, 0}, {2.5f, 2.5f, 2.5f}, 0, Shape::Prism},
    {GuiModel::SeekThumb, "buttonSeekBar.cmo", {-1, -4, -5}, {0, 0, kPi / 2}, {2.5f, 2.5f, 2.5f}, 2.5f, Shape::Prism},
    {GuiModel::TextQuad, "quad.cmo", {2.35f, -4.1f, -6.1f}, {0, 0, 0}, {0.5625f, 0.125f, 1}, 0, Shape::Plane},
};

// Model to panel: Scale, then Rotation, then Translation, as the GUI draws.
Vec3 Drawn(const PartCase& part, Vec3 p) { return Rotate(Hadamard(p, part.drawScale), part.rotation); }
Vec3 Placed(const PartCase& part, Vec3 p) { return Drawn(part, p) + part.position; }

toolkit::CmoMesh Load(GuiModel model) { return RoundTrip(BuildGuiModel(model)); }

const PartCase& Part(GuiModel model) { return kParts[static_cast<int>(model)]; }

// Nearest (or farthest) vertex of the part from its centre, as drawn.
float FromCentre(GuiModel model, bool farthest) {
  float best = farthest ? 0 : 1e9f;
  const toolkit::CmoMesh mesh = Load(model);
  for (const auto& v : mesh.vertexBuffers[0]) {
    const float d = Length(Drawn(Part(model), PositionOf(v)));
    best = farthest ? std::max(best, d) : std::min(best, d);
  }
  return best;
}
float FarthestFromCentre(GuiModel model) { return FromCentre(model, true); }

class GuiPart : public ::testing::TestWithParam<PartCase> {
 protected:
  toolkit::CmoMesh mesh_ = Load(GetParam().model);
};

TEST_P(GuiPart, HasTheGuiFileNameAndSoundData) {
  EXPECT_EQ(kGuiModels[static_cast<int>(GetParam().model)].fileName, GetParam().fileName);
  ExpectWellFormed(mesh_);
}

TEST_P(GuiPart, WindingAgreesWithNormals) {
  float volume = 0;
  for (const Triangle& t : Triangles(mesh_, [](Vec3 p) { return p; })) {
    for (int k = 0; k < 3; ++k) {
      ASSERT_GT(Dot(t.Normal(), NormalOf(*t.v[k])), 0);
    }
    volume += Dot(t.p[0], Cross(t.p[2], t.p[1])) / 6;
  }
  if (GetParam().shape != Shape::Plane) {
    EXPECT_GT(volume, 0) << "a solid turned inside out";
  }
}

TEST_P(GuiPart, FrontFacesTheViewer) {
  if (GetParam().shape == Shape::Prism) GTEST_SKIP() << "round all the way";
  // A plane shows all of itself to the viewer; a slab its front squarely, and
  // the front is its largest face (an edge-on part shows only thin walls).
  const bool plane = GetParam().shape == Shape::Plane;
  float facing = 0, total = 0;
  for (const Triangle& t : Triangles(mesh_, [&](Vec3 p) { return Placed(GetParam(), p); })) {
    const float area = Length(t.Normal()) / 2;
    total += area;
    if (Dot(Normalize(t.Normal()), Normalize(-t.Centroid())) > (plane ? 0.0f : 0.95f)) facing += area;
  }
  EXPECT_GT(facing / total, plane ? 0.999f : 0.25f);
}

TEST_P(GuiPart, HitSphereCoversWhatIsDrawn) {
  if (GetParam().hitScale == 0) GTEST_SKIP() << "never hit-tested";
  // The GUI centres the sphere on the draw position and scales the stored radius.
  const float hitRadius = mesh_.extents.radius * GetParam().hitScale;
  const float farthest = FarthestFromCentre(GetParam().model);
  EXPECT_LE(farthest, hitRadius * 1.001f);
  EXPECT_GT(farthest, hitRadius * 0.8f) << "the hit sphere reaches far beyond the part";
}

INSTANTIATE_TEST_SUITE_P(Panel, GuiPart, ::testing::ValuesIn(kParts), [](const auto& info) {
  const std::string name = info.param.fileName;
  return name.substr(0, name.find('.'));
});

TEST(GuiLayout, PlayAndPauseSitInsideTheRing) {
  const float hole = FromCentre(GuiModel::Surround, false);
  EXPECT_LT(FarthestFromCentre(GuiModel::Play), hole);
  EXPECT_LT(FarthestFromCentre(GuiModel::Pause), hole);
}

TEST(GuiLayout, SeekBarRunsUnderTheThumbsTravel) {
  const PartCase& bar = Part(GuiModel::SeekBar);
  const toolkit::CmoMesh mesh = Load(GuiModel::SeekBar);
  float left = 1e9f, right = -1e9f, thickness = 0;
  for (const auto& v : mesh.vertexBuffers[0]) {
    const Vec3 p = Placed(bar, PositionOf(v));
    left = std::min(left, p.x), right = std::max(right, p.x);
    thickness = std::max(thickness, std::abs(p.y - bar.position.y));
  }
  EXPECT_NEAR(left, kSeekStartX, 1e-4f);
  EXPECT_NEAR(right, kSeekEndX, 1e-4f);
  EXPECT_LT(thickness, FarthestFromCentre(GuiModel::SeekThumb)) << "the thumb must stand out of the bar";
}

TEST(GuiLayout, TextQuadShowsTheTextTextureUprightInItsProportions) {
  const PartCase& quad = Part(GuiModel::TextQuad);
  const toolkit::CmoMesh mesh = Load(GuiModel::TextQuad);
  for (const Triangle& t : Triangles(mesh, [&](Vec3 p) { return Placed(quad, p); })) {
    bool upright = false;
    ASSERT_TRUE(ReadsUprightFromOrigin(t, upright));
    EXPECT_TRUE(upright);
  }
  const auto& lo = mesh.extents.min;
  const auto& hi = mesh.extents.max;
  const float drawnAspect = (hi[0] - lo[0]) * quad.drawScale.x / ((hi[1] - lo[1]) * quad.drawScale.y);
  EXPECT_NEAR(drawnAspect, kTextTextureWidth / kTextTextureHeight, 1e-3f);
}

}  // namespace
}  // namespace quela::tools::test
