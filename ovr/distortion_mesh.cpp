#include "ovr/distortion_mesh.h"

#include <algorithm>
#include <cmath>

#include "ovr/fov_math.h"

namespace quela::ovr {
namespace {

// Distance to the nearest edge of the -1..1 square; negative outside.
float EdgeDistance(ovrVector2f ndc) { return 1.0f - std::max(std::fabs(ndc.x), std::fabs(ndc.y)); }

}  // namespace

DistortionMesh BuildDistortionMesh(const LensModel& lens, ovrEyeType eye, const ovrFovPort& fov) {
  constexpr int side = kMeshCells + 1;
  DistortionMesh mesh;
  mesh.vertices.reserve(side * side);
  std::vector<float> sourceEdge;  // how far inside the eye image the widest channel samples
  sourceEdge.reserve(side * side);
  for (int row = 0; row < side; ++row) {
    for (int col = 0; col < side; ++col) {
      const ovrVector2f panel{-1.0f + 2.0f * col / kMeshCells, -1.0f + 2.0f * row / kMeshCells};
      const ChannelTangents t = lens.TangentsAt(eye, panel);
      const float source = std::min({EdgeDistance(TangentToNdc(fov, t.red)),
                                     EdgeDistance(TangentToNdc(fov, t.green)),
                                     EdgeDistance(TangentToNdc(fov, t.blue))});
      sourceEdge.push_back(source);
      const float vignette = std::min(source, EdgeDistance(panel)) / kVignetteBorder;
      mesh.vertices.push_back({panel, t.red, t.green, t.blue, vignette});
    }
  }
  mesh.indices.reserve(kMeshCells * kMeshCells * 6);
  for (int row = 0; row < kMeshCells; ++row) {
    for (int col = 0; col < kMeshCells; ++col) {
      const auto at = [&](int r, int c) { return static_cast<std::uint16_t>(r * side + c); };
      const std::uint16_t a = at(row, col), b = at(row, col + 1), c = at(row + 1, col + 1),
                          d = at(row + 1, col);
      if (sourceEdge[a] <= 0 && sourceEdge[b] <= 0 && sourceEdge[c] <= 0 && sourceEdge[d] <= 0) continue;
      mesh.indices.insert(mesh.indices.end(), {a, b, c, a, c, d});
    }
  }
  return mesh;
}

}  // namespace quela::ovr
