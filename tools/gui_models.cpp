#include "tools/gui_models.h"

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>

#include "tools/mesh_builder.h"

namespace quela::tools {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// Every size below is in panel units as drawn (after the draw scale).

// Flat parts are slightly extruded so they keep a visible edge when lit.
constexpr float kSlabThickness = 0.04f;

constexpr float kCursorHeight = 0.32f;
constexpr float kRingOuterRadius = 0.42f;
constexpr float kRingInnerRadius = 0.34f;
// The play and pause symbols sit well inside the ring's hole.
constexpr float kSymbolRadius = 0.22f;
constexpr float kPauseBarWidth = 0.09f;
constexpr float kLoopRadius = 0.26f;
constexpr float kLoopBand = 0.07f;
constexpr float kSeekBarRadius = 0.035f;
constexpr float kThumbRadius = 0.12f;
constexpr float kThumbLength = 0.2f;
constexpr int kRoundSegments = 48;

// Shiny white parts and a blue accent; a little emission keeps them readable
// under the room's dim third light.
constexpr MaterialColors kWhite{{0.92f, 0.92f, 0.92f}, 1.0f, {0.25f, 0.25f, 0.25f}};
constexpr MaterialColors kGrey{{0.62f, 0.63f, 0.66f}, 1.0f, {0.15f, 0.15f, 0.16f}};
constexpr MaterialColors kAccent{{0.22f, 0.55f, 1.0f}, 1.0f, {0.05f, 0.14f, 0.3f}};
// The GUI draws the loop button blended when looping is off: the blend only
// shows through an alpha below 1.
constexpr MaterialColors kLoopMaterial{{0.92f, 0.92f, 0.92f}, 0.45f, {0.25f, 0.25f, 0.25f}};
// Just below 1, so the loader treats the quad as transparent and blends it:
// the text texture's clear background then does not hide what lies behind.
constexpr MaterialColors kTextQuadMaterial{{1, 1, 1}, 0.999f, {0, 0, 0}};

const GuiModelInfo& InfoOf(GuiModel model) { return kGuiModels[static_cast<int>(model)]; }

// The model-space frame that the part's draw rotation turns squarely toward
// the viewer at the start position, its x level and to the viewer's right.
Frame FacingFrame(const GuiModelInfo& info) {
  const Vec3 toViewer = Normalize(-info.position);
  const Vec3 right = Normalize(Cross({0, 1, 0}, toViewer));
  const Vec3 up = Cross(toViewer, right);
  return {Unrotate(right, info.rotation), Unrotate(up, info.rotation), {}};
}

// A frame whose front is `axis`: extruding a cross-section in it makes a prism along the axis.
Frame AxisFrame(Vec3 axis, Vec3 origin) {
  const Vec3 helper = std::abs(axis.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
  const Vec3 right = Normalize(Cross(helper, axis));
  return {right, Cross(axis, right), origin};
}

// Moves the outline so its bounding box is centred on the origin, where the
// GUI puts the hit sphere's centre.
void Centre(Outline& outline) {
  Point2 lo = outline.points.front(), hi = lo;
  for (const Point2& p : outline.points) {
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
  }
  for (Point2& p : outline.points) p = {p.x - (lo.x + hi.x) / 2, p.y - (lo.y + hi.y) / 2};
}

Outline Polygon(int sides, float radius, float startAngle) {
  Outline o;
  o.points.push_back({0, 0});
  for (int i = 0; i < sides; ++i) {
    const float a = startAngle + 2 * kPi * i / sides;
    o.points.push_back({radius * std::cos(a), radius * std::sin(a)});
  }
  for (int i = 0; i < sides; ++i) AddTriangleCcw(o, 0, 1 + i, 1 + (i + 1) % sides);
  return o;
}

// A band between two radii from angle `from` to `to` (counter-clockwise);
// a full turn closes on itself.
Outline Band(float inner, float outer, float from, float to, int segments) {
  Outline o;
  const bool closed = std::abs(to - from - 2 * kPi) < 1e-6f;
  const int stops = closed ? segments : segments + 1;
  for (int i = 0; i < stops; ++i) {
    const float a = from + (to - from) * i / segments;
    o.points.push_back({inner * std::cos(a), inner * std::sin(a)});
    o.points.push_back({outer * std::cos(a), outer * std::sin(a)});
  }
  for (int i = 0; i < segments; ++i) {
    const int a = 2 * i, b = 2 * ((i + 1) % stops);
    AddTriangleCcw(o, a, a + 1, b + 1);
    AddTriangleCcw(o, a, b + 1, b);
  }
  return o;
}

Outline Rectangle(float left, float bottom, float right, float top, Outline o = {}) {
  const int first = static_cast<int>(o.points.size());
  o.points.insert(o.points.end(), {{left, bottom}, {right, bottom}, {right, top}, {left, top}});
  AddTriangleCcw(o, first, first + 1, first + 2);
  AddTriangleCcw(o, first, first + 2, first + 3);
  return o;
}

// The classic pointer: tip up and to the left, a short tail down to the right.
Outline Arrow() {
  Outline o;
  constexpr Point2 kShape[] = {{0, 0}, {0, -1.0f}, {0.27f, -0.74f}, {0.45f, -1.14f},
                               {0.62f, -1.06f}, {0.44f, -0.68f}, {0.74f, -0.68f}};
  const float scale = kCursorHeight / 1.14f;
  for (const Point2& p : kShape) o.points.push_back({p.x * scale, p.y * scale});
  // Every point is seen from the tip in turn, so a fan from it fills the shape.
  for (int i = 1; i + 1 < static_cast<int>(o.points.size()); ++i) AddTriangleCcw(o, 0, i, i + 1);
  Centre(o);
  return o;
}

// A right-pointing triangle inscribed in the symbol circle.
Outline PlayTriangle() {
  Outline o = Polygon(3, kSymbolRadius, 0);
  Centre(o);
  return o;
}

Outline PauseBars() {
  const float halfHeight = kSymbolRadius * 0.75f;
  const float gap = kPauseBarWidth;
  Outline o = Rectangle(-gap / 2 - kPauseBarWidth, -halfHeight, -gap / 2, halfHeight);
  return Rectangle(gap / 2, -halfHeight, gap / 2 + kPauseBarWidth, halfHeight, std::move(o));
}

// A circular arrow running counter-clockwise with its head at the top. The
// draw scale is wider than the hit scale across, so the hit sphere only
// reaches the drawn size vertically: the wings, the part's farthest points,
// stand straight up.
Outline LoopArrow() {
  const float inner = kLoopRadius - kLoopBand / 2, outer = kLoopRadius + kLoopBand / 2;
  const float to = kPi / 2, from = to - 1.6f * kPi;
  Outline o = Band(inner, outer, from, to, kRoundSegments);
  const int endInner = static_cast<int>(o.points.size()) - 2, endOuter = endInner + 1;
  const float wing = kLoopBand * 1.1f;
  const Point2 radial{std::cos(to), std::sin(to)}, ahead{-radial.y, radial.x};
  const auto at = [&](float r, float forward) {
    return Point2{radial.x * r + ahead.x * forward, radial.y * r + ahead.y * forward};
  };
  const int wingInner = static_cast<int>(o.points.size());
  o.points.push_back(at(inner - wing, 0));
  o.points.push_back(at(outer + wing, 0));
  o.points.push_back(at(kLoopRadius, kLoopBand * 2.6f));
  const int wingOuter = wingInner + 1, tip = wingInner + 2;
  AddTriangleCcw(o, wingInner, endInner, tip);
  AddTriangleCcw(o, endInner, endOuter, tip);
  AddTriangleCcw(o, endOuter, wingOuter, tip);
  Centre(o);
  return o;
}

void AddPart(MeshBuilder& mesh, GuiModel model, const GuiModelInfo& info) {
  const Vec3 along = Unrotate({1, 0, 0}, info.rotation);  // the panel's x in model space
  switch (model) {
    case GuiModel::Cursor:
      mesh.AddSlab(Arrow(), FacingFrame(info), kSlabThickness);
      return;
    case GuiModel::Loop:
      mesh.AddSlab(LoopArrow(), FacingFrame(info), kSlabThickness);
      return;
    case GuiModel::Surround:
      mesh.AddSlab(Band(kRingInnerRadius, kRingOuterRadius, 0, 2 * kPi, kRoundSegments), FacingFrame(info), kSlabThickness);
      return;
    case GuiModel::Play:
      mesh.AddSlab(PlayTriangle(), FacingFrame(info), kSlabThickness);
      return;
    case GuiModel::Pause:
      mesh.AddSlab(PauseBars(), FacingFrame(info), kSlabThickness);
      return;
    case GuiModel::SeekBar: {
      // Exactly under the thumb's travel, wherever the bar itself is placed.
      const float middle = (kSeekStartX + kSeekEndX) / 2 - info.position.x;
      mesh.AddSlab(Polygon(12, kSeekBarRadius, 0), AxisFrame(along, along * middle), kSeekEndX - kSeekStartX);
      return;
    }
    case GuiModel::SeekThumb:
      // Eight facets: the spin about the bar shows as moving highlights.
      mesh.AddSlab(Polygon(8, kThumbRadius, kPi / 8), AxisFrame(along, {}), kThumbLength);
      return;
    case GuiModel::TextQuad: {
      // The status line's left edge lines up, as seen, with the start of the
      // seek bar; the quad's shape keeps the text texture's proportions.
      const float leftAsSeen = kSeekStartX * kTextDepth / kPanelDepth;
      const float halfWidth = (info.position.x - leftAsSeen) / info.drawScale.x;
      const float halfHeight = halfWidth * (kTextTextureHeight / kTextTextureWidth) * (info.drawScale.x / info.drawScale.y);
      mesh.AddSurface(
          [=](float u, float v) { return SurfacePoint{{(2 * u - 1) * halfWidth, (1 - 2 * v) * halfHeight, 0}, {0, 0, 1}}; }, 1, 1);
      return;
    }
  }
  throw std::invalid_argument("unknown GUI model");
}

MaterialColors MaterialOf(GuiModel model) {
  switch (model) {
    case GuiModel::Surround:
    case GuiModel::SeekThumb:
      return kAccent;
    case GuiModel::SeekBar:
      return kGrey;
    case GuiModel::Loop:
      return kLoopMaterial;
    case GuiModel::TextQuad:
      return kTextQuadMaterial;
    default:
      return kWhite;
  }
}

}  // namespace

std::vector<toolkit::CmoMesh> BuildGuiModel(GuiModel model) {
  const GuiModelInfo& info = InfoOf(model);
  MeshBuilder mesh;
  AddPart(mesh, model, info);
  if (model != GuiModel::TextQuad) {
    // Designed at drawn size: undo the draw scale, per axis where it is uneven.
    mesh.Scale({1 / info.drawScale.x, 1 / info.drawScale.y, 1 / info.drawScale.z});
  }
  std::string name(info.fileName);
  name.resize(name.size() - std::string_view(".cmo").size());
  return {mesh.Build(name, name, MaterialOf(model))};
}

}  // namespace quela::tools
