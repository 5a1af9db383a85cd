#include "ovr/distortion_mesh.h"

#include <algorithm>
#include <cmath>

#include "ovr/fov_math.h"

namespace quela::ovr {
namespace {

// Distance to the nearest edge of the -1..1 square; negative outside.
float EdgeDistance(ovrVector2f ndc) { return 1.0f - std::max(std::fabs(ndc.x), std::fabs(ndc.y)); }

// Grid lines across `pixels` output pixels, as NDC from -1 to 1. Very large outputs get wider cells,
// so that both eyes' vertices stay addressable by 16-bit indices.
std::vector<float> GridLines(int pixels) {
  constexpr int kMaxCells = 180;
  const int cell = std::max(kMeshCellPixels, (pixels + kMaxCells - 1) / kMaxCells);
  std::vector<float> lines;
  for (int at = 0; at < pixels; at += cell) lines.push_back(-1.0f + 2.0f * at / pixels);
  lines.push_back(1.0f);
  return lines;
}

}  // namespace

DistortionMesh BuildDistortionMesh(const LensModel& lens, ovrEyeType eye, const ovrFovPort& fov,
                                   ovrSizei eyePixels) {
  const std::vector<float> xs = GridLines(std::max(eyePixels.w, 1));
  const std::vector<float> ys = GridLines(std::max(eyePixels.h, 1));
  DistortionMesh mesh;
  mesh.columns = static_cast<int>(xs.size()) - 1;
  mesh.rows = static_cast<int>(ys.size()) - 1;
  mesh.vertices.reserve(xs.size() * ys.size());
  std::vector<float> sourceEdge;  // how far inside the eye image the widest channel samples
  sourceEdge.reserve(xs.size() * ys.size());
  for (float y : ys) {
    for (float x : xs) {
      const ovrVector2f panel{x, y};
      const ChannelTangents t = lens.TangentsAt(eye, panel);
      const float source = std::min({EdgeDistance(TangentToNdc(fov, t.red)),
                                     EdgeDistance(TangentToNdc(fov, t.green)),
                                     EdgeDistance(TangentToNdc(fov, t.blue))});
      sourceEdge.push_back(source);
      const float vignette = std::min(source, EdgeDistance(panel)) / kVignetteBorder;
      mesh.vertices.push_back({panel, t.red, t.green, t.blue, vignette});
    }
  }
  const int side = mesh.columns + 1;
  std::vector<std::uint16_t> fading, outside;
  mesh.indices.reserve(static_cast<std::size_t>(mesh.columns) * mesh.rows * 6);
  for (int row = 0; row < mesh.rows; ++row) {
    for (int col = 0; col < mesh.columns; ++col) {
      const auto at = [&](int r, int c) { return static_cast<std::uint16_t>(r * side + c); };
      const std::uint16_t a = at(row, col), b = at(row, col + 1), c = at(row + 1, col + 1),
                          d = at(row + 1, col);
      const bool dark = sourceEdge[a] <= 0 && sourceEdge[b] <= 0 && sourceEdge[c] <= 0 && sourceEdge[d] <= 0;
      const bool bright = std::min({mesh.vertices[a].vignette, mesh.vertices[b].vignette, mesh.vertices[c].vignette,
                                    mesh.vertices[d].vignette}) >= 1.0f;
      std::vector<std::uint16_t>& into = dark ? outside : bright ? mesh.indices : fading;
      into.insert(into.end(), {a, b, c, a, c, d});
    }
  }
  mesh.brightIndexCount = mesh.indices.size();
  mesh.indices.insert(mesh.indices.end(), fading.begin(), fading.end());
  mesh.outsideIndexCount = outside.size();
  mesh.indices.insert(mesh.indices.end(), outside.begin(), outside.end());
  return mesh;
}

}  // namespace quela::ovr
