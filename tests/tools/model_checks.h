#pragma once
// Checks shared by the model tests: geometry as the renderer places it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "toolkit/formats/cmo.h"
#include "tools/vec3.h"

namespace quela::tools::test {

inline Vec3 PositionOf(const toolkit::CmoVertex& v) { return {v.position[0], v.position[1], v.position[2]}; }
inline Vec3 NormalOf(const toolkit::CmoVertex& v) { return {v.normal[0], v.normal[1], v.normal[2]}; }

// The bytes a model is written to, read back: what the program will load.
inline toolkit::CmoMesh RoundTrip(const std::vector<toolkit::CmoMesh>& meshes) {
  const std::vector<std::uint8_t> bytes = toolkit::WriteCmo(meshes);
  std::vector<toolkit::CmoMesh> read = toolkit::ReadCmo(bytes, "<baked>");
  EXPECT_EQ(read.size(), 1u);
  return read.front();
}

// One buffer of 16-bit indices, white vertices, extents that hold every vertex tightly.
inline void ExpectWellFormed(const toolkit::CmoMesh& mesh) {
  ASSERT_EQ(mesh.vertexBuffers.size(), 1u);
  ASSERT_EQ(mesh.indexBuffers.size(), 1u);
  const auto& vertices = mesh.vertexBuffers[0];
  EXPECT_LE(vertices.size(), 65536u);
  EXPECT_EQ(mesh.materials.size(), 1u);
  const toolkit::CmoExtents& e = mesh.extents;
  const Vec3 centre{e.center[0], e.center[1], e.center[2]};
  Vec3 lo = PositionOf(vertices[0]), hi = lo;
  for (const auto& v : vertices) {
    const Vec3 p = PositionOf(v);
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    EXPECT_LE(Length(p - centre), e.radius * (1 + 1e-5f));
    ASSERT_EQ(v.color, 0xFFFFFFFFu);
  }
  for (int k = 0; k < 3; ++k) {
    EXPECT_FLOAT_EQ(e.min[k], (&lo.x)[k]);
    EXPECT_FLOAT_EQ(e.max[k], (&hi.x)[k]);
  }
}

struct Triangle {
  Vec3 p[3];
  const toolkit::CmoVertex* v[3];
  Vec3 Normal() const { return Cross(p[2] - p[0], p[1] - p[0]); }  // clockwise front
  Vec3 Centroid() const { return (p[0] + p[1] + p[2]) * (1.0f / 3); }
};

// Every triangle with its vertices mapped by `place` (model to world).
inline std::vector<Triangle> Triangles(const toolkit::CmoMesh& mesh, const std::function<Vec3(Vec3)>& place) {
  std::vector<Triangle> out;
  const auto& indices = mesh.indexBuffers[0];
  const auto& vertices = mesh.vertexBuffers[0];
  for (std::size_t i = 0; i + 2 < indices.size(); i += 3) {
    Triangle t;
    for (int k = 0; k < 3; ++k) {
      t.v[k] = &vertices.at(indices[i + k]);
      t.p[k] = place(PositionOf(*t.v[k]));
    }
    out.push_back(t);
  }
  return out;
}

// The triangle's texture coordinates change with the viewer's angles
// (azimuth to the right, elevation up) as an upright, unmirrored picture's
// do: u grows to the right, v grows downward. False when it cannot tell
// (across the seam behind the viewer, near a pole, edge-on).
inline bool ReadsUprightFromOrigin(const Triangle& t, bool& upright) {
  float az[3], el[3];
  for (int k = 0; k < 3; ++k) {
    az[k] = std::atan2(t.p[k].x, -t.p[k].z);
    el[k] = std::atan2(t.p[k].y, std::hypot(t.p[k].x, t.p[k].z));
    if (std::abs(el[k]) > 1.4f) return false;
  }
  const float a1 = az[1] - az[0], e1 = el[1] - el[0], a2 = az[2] - az[0], e2 = el[2] - el[0];
  if (std::abs(a1) > 3 || std::abs(a2) > 3) return false;
  const float det = a1 * e2 - a2 * e1;
  if (std::abs(det) < 1e-9f) return false;
  const float u1 = t.v[1]->texcoord[0] - t.v[0]->texcoord[0], u2 = t.v[2]->texcoord[0] - t.v[0]->texcoord[0];
  const float v1 = t.v[1]->texcoord[1] - t.v[0]->texcoord[1], v2 = t.v[2]->texcoord[1] - t.v[0]->texcoord[1];
  const float duByAzimuth = (u1 * e2 - u2 * e1) / det;
  const float dvByElevation = (a1 * v2 - a2 * v1) / det;
  upright = duByAzimuth > 0 && dvByElevation < 0;
  return true;
}

}  // namespace quela::tools::test
