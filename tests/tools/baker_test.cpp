// The asset baker: the generated screens and GUI parts checked as the program will load and place them,
// and the baker program run as the build runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "render/screen/screen_state.h"
#include "tests/support/temp_dir.h"
#include "toolkit/formats/cmo.h"
#include "toolkit/formats/spritefont.h"
#include "tools/asset_recipes.h"
#include "tools/gui_models.h"
#include "tools/mesh_builder.h"
#include "tools/screen_models.h"
#include "tools/vec3.h"

namespace quela::tools {
namespace {

Vec3 PositionOf(const toolkit::CmoVertex& v) { return {v.position[0], v.position[1], v.position[2]}; }
Vec3 NormalOf(const toolkit::CmoVertex& v) { return {v.normal[0], v.normal[1], v.normal[2]}; }

// The bytes a model is written to, read back: what the program will load.
toolkit::CmoMesh RoundTrip(const std::vector<toolkit::CmoMesh>& meshes) {
  std::vector<toolkit::CmoMesh> read = toolkit::ReadCmo(toolkit::WriteCmo(meshes), "<baked>");
  EXPECT_EQ(read.size(), 1u);
  return read.front();
}

// One buffer of 16-bit indices, one material, white vertices, extents that hold every vertex tightly.
void ExpectWellFormed(const toolkit::CmoMesh& mesh) {
  ASSERT_EQ(mesh.vertexBuffers.size(), 1u);
  ASSERT_EQ(mesh.indexBuffers.size(), 1u);
  EXPECT_LE(mesh.vertexBuffers[0].size(), 65536u);
  EXPECT_EQ(mesh.materials.size(), 1u);
  const toolkit::CmoExtents& e = mesh.extents;
  Vec3 lo = PositionOf(mesh.vertexBuffers[0][0]), hi = lo;
  for (const auto& v : mesh.vertexBuffers[0]) {
    const Vec3 p = PositionOf(v);
    ASSERT_EQ(v.color, 0xFFFFFFFFu);
    EXPECT_LE(Length(p - Vec3{e.center[0], e.center[1], e.center[2]}), e.radius * (1 + 1e-5f));
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  EXPECT_TRUE((Vec3{e.min[0], e.min[1], e.min[2]} == lo && Vec3{e.max[0], e.max[1], e.max[2]} == hi));
}

struct Triangle {
  Vec3 p[3];
  const toolkit::CmoVertex* v[3];
  Vec3 Normal() const { return Cross(p[2] - p[0], p[1] - p[0]); }  // clockwise front
  Vec3 Centroid() const { return (p[0] + p[1] + p[2]) * (1.0f / 3); }
};

// Every triangle with its vertices mapped by `place` (model to world).
std::vector<Triangle> Triangles(const toolkit::CmoMesh& mesh, const std::function<Vec3(Vec3)>& place) {
  std::vector<Triangle> out;
  const auto& indices = mesh.indexBuffers[0];
  for (std::size_t i = 0; i + 2 < indices.size(); i += 3) {
    Triangle t;
    for (int k = 0; k < 3; ++k) {
      t.v[k] = &mesh.vertexBuffers[0].at(indices[i + k]);
      t.p[k] = place(PositionOf(*t.v[k]));
    }
    out.push_back(t);
  }
  return out;
}

// The triangle's texture coordinates change with the viewer's angles (azimuth to the right, elevation up)
// as an upright, unmirrored picture's do: u grows to the right, v grows downward. False when it cannot
// tell (across the seam behind the viewer, near a pole, edge-on).
bool ReadsUprightFromOrigin(const Triangle& t, bool& upright) {
  float az[3], el[3];
  for (int k = 0; k < 3; ++k) {
    az[k] = std::atan2(t.p[k].x, -t.p[k].z);
    el[k] = std::atan2(t.p[k].y, std::hypot(t.p[k].x, t.p[k].z));
    if (std::abs(el[k]) > 1.4f) return false;
  }
  const float a1 = az[1] - az[0], e1 = el[1] - el[0], a2 = az[2] - az[0], e2 = el[2] - el[0];
  const float det = a1 * e2 - a2 * e1;
  if (std::abs(a1) > 3 || std::abs(a2) > 3 || std::abs(det) < 1e-9f) return false;
  const float u1 = t.v[1]->texcoord[0] - t.v[0]->texcoord[0], u2 = t.v[2]->texcoord[0] - t.v[0]->texcoord[0];
  const float v1 = t.v[1]->texcoord[1] - t.v[0]->texcoord[1], v2 = t.v[2]->texcoord[1] - t.v[0]->texcoord[1];
  upright = (u1 * e2 - u2 * e1) / det > 0 && (a1 * v2 - a2 * v1) / det < 0;
  return true;
}

std::string FileStem(std::string_view fileName) { return std::string(fileName.substr(0, fileName.find('.'))); }

// ---- Screens, placed by the renderer's own screen state for a 16:9 video, viewer at the origin.

enum class Curvature { None, Cylinder, Sphere };
constexpr Curvature kCurvature[] = {Curvature::None,   Curvature::Cylinder, Curvature::Cylinder, Curvature::Sphere,
                                    Curvature::Sphere, Curvature::Cylinder, Curvature::Sphere};

class ScreenModel : public ::testing::TestWithParam<int> {
 protected:
  ScreenModel() {
    state_.SetScreenType(static_cast<quela::ScreenType>(GetParam()));
    state_.SetScreenAspect(16.0f / 9.0f);
  }
  Vec3 Place(Vec3 p) const {
    const toolkit::Vector3 w = toolkit::Vector3::Transform({p.x, p.y, p.z}, state_.ScreenWorld());
    return {w.x, w.y, w.z};
  }
  quela::ScreenState state_{[](std::uint32_t, WPARAM, LPARAM) {}};
  toolkit::CmoMesh mesh_ = RoundTrip(BuildScreenModel(static_cast<ScreenType>(GetParam())));
};

TEST_P(ScreenModel, IsSoundAndFacesTheViewer) {
  ExpectWellFormed(mesh_);
  // The video is multiplied by the material: any tint or alpha would show on it.
  EXPECT_EQ(mesh_.materials[0].diffuse, (std::array<float, 4>{1, 1, 1, 1}));
  const toolkit::Vector3 s = state_.screenScale();
  for (const Triangle& t : Triangles(mesh_, [&](Vec3 p) { return Place(p); })) {
    ASSERT_GT(Dot(t.Normal(), -t.Centroid()), 0) << "a triangle is wound away from the viewer";
    for (int k = 0; k < 3; ++k) {
      const Vec3 n = NormalOf(*t.v[k]);
      ASSERT_GT(Dot(Normalize({n.x / s.x, n.y / s.y, n.z / s.z}), -t.p[k]), 0) << "a normal points away from the viewer";
    }
  }
}

TEST_P(ScreenModel, ViewerStandsAtTheCentreOfCurvature) {
  if (kCurvature[GetParam()] == Curvature::None) GTEST_SKIP() << "flat";
  const bool sphere = kCurvature[GetParam()] == Curvature::Sphere;
  const auto distance = [&](Vec3 p) { return sphere ? Length(p) : std::hypot(p.x, p.z); };
  const float radius = distance(Place(PositionOf(mesh_.vertexBuffers[0][0])));
  for (const auto& v : mesh_.vertexBuffers[0]) ASSERT_NEAR(distance(Place(PositionOf(v))), radius, radius * 1e-4f);
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

INSTANTIATE_TEST_SUITE_P(AllScreens, ScreenModel, ::testing::Range(0, 7),
                         [](const auto& info) { return FileStem(kScreenModels[info.param].fileName); });

TEST(MeshBuilder, RefusesMoreVerticesThanSixteenBitIndicesReach) {
  MeshBuilder builder;
  builder.AddSurface([](float u, float v) { return SurfacePoint{{u, -v, 0}, {0, 0, 1}}; }, 256, 256);
  EXPECT_THROW(builder.Build("big", "big", {}), std::length_error);
}

// ---- GUI parts, as the GUI lays the panel out (spins at rest, thumb at the start, the cursor amid the controls).

enum class Shape { Slab, Prism, Plane };
Shape ShapeOf(GuiModel m) {
  return m == GuiModel::TextQuad ? Shape::Plane : m == GuiModel::SeekBar || m == GuiModel::SeekThumb ? Shape::Prism : Shape::Slab;
}
const GuiModelInfo& Part(GuiModel model) { return kGuiModels[static_cast<int>(model)]; }

// Model to panel: Scale, then Rotation, then Translation, as the GUI draws.
Vec3 Drawn(const GuiModelInfo& part, Vec3 p) { return Rotate(Hadamard(p, part.drawScale), part.rotation); }
Vec3 Placed(const GuiModelInfo& part, Vec3 p) { return Drawn(part, p) + part.position; }
toolkit::CmoMesh Load(GuiModel model) { return RoundTrip(BuildGuiModel(model)); }

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

class GuiPart : public ::testing::TestWithParam<GuiModelInfo> {
 protected:
  toolkit::CmoMesh mesh_ = Load(GetParam().model);
};

TEST_P(GuiPart, IsSoundAndWoundAsItsNormalsSay) {
  ExpectWellFormed(mesh_);
  float volume = 0;
  for (const Triangle& t : Triangles(mesh_, [](Vec3 p) { return p; })) {
    for (int k = 0; k < 3; ++k) ASSERT_GT(Dot(t.Normal(), NormalOf(*t.v[k])), 0);
    volume += Dot(t.p[0], Cross(t.p[2], t.p[1])) / 6;
  }
  if (ShapeOf(GetParam().model) != Shape::Plane) {
    EXPECT_GT(volume, 0) << "a solid turned inside out";
  }
}

TEST_P(GuiPart, FrontFacesTheViewer) {
  const Shape shape = ShapeOf(GetParam().model);
  if (shape == Shape::Prism) GTEST_SKIP() << "round all the way";
  // A plane shows all of itself to the viewer; a slab its front squarely, and the front is its largest
  // face (an edge-on part shows only thin walls).
  const bool plane = shape == Shape::Plane;
  float facing = 0, total = 0;
  for (const Triangle& t : Triangles(mesh_, [&](Vec3 p) { return Placed(GetParam(), p); })) {
    const float area = Length(t.Normal()) / 2;
    total += area;
    if (Dot(Normalize(t.Normal()), Normalize(-t.Centroid())) > (plane ? 0.0f : 0.95f)) facing += area;
  }
  EXPECT_GT(facing / total, plane ? 0.999f : 0.25f);
}

INSTANTIATE_TEST_SUITE_P(Panel, GuiPart, ::testing::ValuesIn(kGuiModels),
                         [](const auto& info) { return FileStem(info.param.fileName); });

TEST(GuiLayout, PlayAndPauseSitInsideTheRing) {
  const float hole = FromCentre(GuiModel::Surround, false);
  EXPECT_LT(FromCentre(GuiModel::Play, true), hole);
  EXPECT_LT(FromCentre(GuiModel::Pause, true), hole);
}

TEST(GuiLayout, SeekBarRunsUnderTheThumbsTravel) {
  const GuiModelInfo& bar = Part(GuiModel::SeekBar);
  float left = 1e9f, right = -1e9f, thickness = 0;
  const toolkit::CmoMesh mesh = Load(GuiModel::SeekBar);
  for (const auto& v : mesh.vertexBuffers[0]) {
    const Vec3 p = Placed(bar, PositionOf(v));
    left = std::min(left, p.x), right = std::max(right, p.x);
    thickness = std::max(thickness, std::abs(p.y - bar.position.y));
  }
  EXPECT_NEAR(left, kSeekStartX, 1e-4f);
  EXPECT_NEAR(right, kSeekEndX, 1e-4f);
  EXPECT_LT(thickness, FromCentre(GuiModel::SeekThumb, true)) << "the thumb must stand out of the bar";
}

TEST(GuiLayout, TextQuadShowsTheTextTextureUpright) {
  const GuiModelInfo& quad = Part(GuiModel::TextQuad);
  const toolkit::CmoMesh mesh = Load(GuiModel::TextQuad);
  for (const Triangle& t : Triangles(mesh, [&](Vec3 p) { return Placed(quad, p); })) {
    bool upright = false;
    ASSERT_TRUE(ReadsUprightFromOrigin(t, upright));
    EXPECT_TRUE(upright);
  }
}

// ---- The baker program, run as the build runs it: output folder, shader source, font face.

struct RunResult {
  int exitCode;
  std::string output;
};

RunResult RunBaker(const std::filesystem::path& outputDir, const std::string& lambertSource) {
  const std::string command = std::string("'") + QUELA_BAKER_PATH + "' '" + outputDir.string() + "' '" + lambertSource +
                              "' '" + QUELA_ITALIC_FACE + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {-1, "popen failed"};
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(BakerRun, WritesEveryAssetReadably) {
  const test::TempDir dir;
  const RunResult run = RunBaker(dir.path(), QUELA_LAMBERT_SOURCE);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  for (const AssetRecipe& recipe : AssetRecipes({})) {
    const std::filesystem::path file = dir.path() / recipe.path;
    ASSERT_TRUE(std::filesystem::exists(file)) << recipe.path;
    if (file.extension() == ".cmo")
      EXPECT_NO_THROW(toolkit::ReadCmoFile(file.string())) << recipe.path;
    else if (file.extension() == ".spritefont")
      EXPECT_NO_THROW(toolkit::ReadSpriteFontFile(file.string()));
    else
      EXPECT_EQ(test::ReadFile(file), test::ReadFile(QUELA_LAMBERT_SOURCE)) << recipe.path;
  }
  // Whole files only: no partial leftovers beside them.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path()))
    EXPECT_NE(entry.path().extension(), ".partial") << entry.path();
}

TEST(BakerRun, MissingShaderSourceFailsClearlyAndWritesNothing) {
  const test::TempDir dir;
  const RunResult run = RunBaker(dir.path(), "/nonexistent/lambert_dgsl.glsl");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("lambert.dgsl.cso"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("/nonexistent/lambert_dgsl.glsl"), std::string::npos) << run.output;
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace quela::tools
