#include "tools/mesh_builder.h"

#include <algorithm>
#include <limits>
#include <map>
#include <stdexcept>
#include <utility>

namespace quela::tools {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

Vec3 PositionOf(const toolkit::CmoVertex& v) { return {v.position[0], v.position[1], v.position[2]}; }

toolkit::CmoVertex MakeVertex(Vec3 position, Vec3 normal, Vec3 tangent, float u, float v) {
  return {{position.x, position.y, position.z},
          {normal.x, normal.y, normal.z},
          {tangent.x, tangent.y, tangent.z, 1.0f},
          kWhite,
          {u, v}};
}

// A cell touching a pole has two corners at the same point; its triangle
// there has no area compared with its edges.
bool IsCollapsed(Vec3 a, Vec3 b, Vec3 c) {
  const Vec3 ab = b - a, ac = c - a, bc = c - b;
  const float longest = std::max({Dot(ab, ab), Dot(ac, ac), Dot(bc, bc)});
  return Length(Cross(ab, ac)) <= 1e-5f * longest;
}

}  // namespace

void AddTriangleCcw(Outline& outline, int a, int b, int c) {
  const Point2 pa = outline.points[a], pb = outline.points[b], pc = outline.points[c];
  const float twiceArea = (pb.x - pa.x) * (pc.y - pa.y) - (pb.y - pa.y) * (pc.x - pa.x);
  if (twiceArea < 0) std::swap(b, c);
  outline.triangles.push_back({a, b, c});
}

void MeshBuilder::AddTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
  // Stored clockwise as seen from the front, as the renderer's models are wound (it culls counter-clockwise).
  indices_.insert(indices_.end(), {a, c, b});
}

void MeshBuilder::AddSurface(const Surface& surface, int cols, int rows) {
  const auto base = static_cast<std::uint32_t>(vertices_.size());
  std::vector<SurfacePoint> points;
  for (int j = 0; j <= rows; ++j)
    for (int i = 0; i <= cols; ++i) points.push_back(surface(float(i) / cols, float(j) / rows));
  const auto at = [&](int i, int j) { return static_cast<std::uint32_t>(j * (cols + 1) + i); };

  for (int j = 0; j <= rows; ++j) {
    for (int i = 0; i <= cols; ++i) {
      // The tangent follows increasing u, taken across the neighbouring columns.
      const Vec3 across = points[at(std::min(i + 1, cols), j)].position - points[at(std::max(i - 1, 0), j)].position;
      const SurfacePoint& p = points[at(i, j)];
      vertices_.push_back(MakeVertex(p.position, p.normal, Normalize(across), float(i) / cols, float(j) / rows));
    }
  }
  // u to the right and v downward as seen from the front, so top-left,
  // bottom-left, bottom-right runs counter-clockwise toward the viewer.
  const auto add = [&](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    if (!IsCollapsed(points[a].position, points[b].position, points[c].position)) AddTriangle(base + a, base + b, base + c);
  };
  for (int j = 0; j < rows; ++j) {
    for (int i = 0; i < cols; ++i) {
      const std::uint32_t topLeft = at(i, j), topRight = at(i + 1, j);
      const std::uint32_t bottomLeft = at(i, j + 1), bottomRight = at(i + 1, j + 1);
      add(topLeft, bottomLeft, bottomRight);
      add(topLeft, bottomRight, topRight);
    }
  }
}

void MeshBuilder::AddSlab(const Outline& outline, const Frame& frame, float thickness) {
  const Vec3 normal = Cross(frame.right, frame.up);
  float minX = std::numeric_limits<float>::max(), maxX = -minX, minY = minX, maxY = -minX;
  for (const Point2& p : outline.points) {
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  }
  const auto place = [&](Point2 p, float depth) { return frame.origin + frame.right * p.x + frame.up * p.y + normal * depth; };
  // Texture coordinates project the outline's box onto the faces; nothing is
  // textured, but the coordinates stay well defined.
  const auto vertex = [&](Point2 p, float depth, Vec3 n) {
    return MakeVertex(place(p, depth), n, frame.right, (p.x - minX) / (maxX - minX), (maxY - p.y) / (maxY - minY));
  };
  const float half = thickness * 0.5f;

  const auto front = static_cast<std::uint32_t>(vertices_.size());
  for (const Point2& p : outline.points) vertices_.push_back(vertex(p, half, normal));
  const auto back = static_cast<std::uint32_t>(vertices_.size());
  for (const Point2& p : outline.points) vertices_.push_back(vertex(p, -half, -normal));
  for (const auto& t : outline.triangles) {
    AddTriangle(front + t[0], front + t[1], front + t[2]);
    AddTriangle(back + t[0], back + t[2], back + t[1]);
  }

  std::map<std::pair<int, int>, int> edgeUse;
  for (const auto& t : outline.triangles)
    for (int k = 0; k < 3; ++k) ++edgeUse[{t[k], t[(k + 1) % 3]}];
  for (const auto& [edge, uses] : edgeUse) {
    if (edgeUse.contains({edge.second, edge.first})) continue;
    const Point2 a = outline.points[edge.first], b = outline.points[edge.second];
    // The triangles run counter-clockwise, so the inside lies left of a->b.
    const Vec3 outward = Normalize(frame.right * (b.y - a.y) - frame.up * (b.x - a.x));
    const auto wall = static_cast<std::uint32_t>(vertices_.size());
    vertices_.push_back(vertex(a, half, outward));
    vertices_.push_back(vertex(b, half, outward));
    vertices_.push_back(vertex(b, -half, outward));
    vertices_.push_back(vertex(a, -half, outward));
    AddTriangle(wall, wall + 3, wall + 2);
    AddTriangle(wall, wall + 2, wall + 1);
  }
}

void MeshBuilder::Scale(Vec3 factor) {
  const Vec3 inverse{1.0f / factor.x, 1.0f / factor.y, 1.0f / factor.z};
  for (toolkit::CmoVertex& v : vertices_) {
    const Vec3 p = Hadamard(PositionOf(v), factor);
    // Normals take the inverse transpose; tangents lie in the surface and stretch with it.
    const Vec3 n = Normalize(Hadamard({v.normal[0], v.normal[1], v.normal[2]}, inverse));
    const Vec3 t = Normalize(Hadamard({v.tangent[0], v.tangent[1], v.tangent[2]}, factor));
    v = MakeVertex(p, n, t, v.texcoord[0], v.texcoord[1]);
  }
}

toolkit::CmoMesh MeshBuilder::Build(const std::string& meshName, const std::string& materialName,
                                    const MaterialColors& colors) const {
  if (vertices_.empty() || indices_.empty()) throw std::logic_error(meshName + ": no triangles");
  if (vertices_.size() > std::numeric_limits<std::uint16_t>::max() + std::size_t{1})
    throw std::length_error(meshName + ": " + std::to_string(vertices_.size()) + " vertices exceed 16-bit indices");

  toolkit::CmoMaterial material = toolkit::DefaultCmoMaterial();
  material.name = materialName;
  const Vec3 d = colors.diffuse, e = colors.emissive;
  material.ambient = {d.x, d.y, d.z, 1.0f};
  material.diffuse = {d.x, d.y, d.z, colors.alpha};
  material.specular = {0, 0, 0, 1};
  material.emissive = {e.x, e.y, e.z, 1.0f};

  toolkit::CmoMesh mesh;
  mesh.name = meshName;
  mesh.materials = {material};
  mesh.submeshes = {{0, 0, 0, 0, static_cast<std::uint32_t>(indices_.size() / 3)}};
  mesh.indexBuffers = {std::vector<std::uint16_t>(indices_.begin(), indices_.end())};
  mesh.vertexBuffers = {vertices_};

  Vec3 lo = PositionOf(vertices_.front()), hi = lo;
  for (const auto& v : vertices_) {
    const Vec3 p = PositionOf(v);
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  const Vec3 centre = (lo + hi) * 0.5f;
  float radius = 0;
  for (const auto& v : vertices_) radius = std::max(radius, Length(PositionOf(v) - centre));
  mesh.extents = {{centre.x, centre.y, centre.z}, radius, {lo.x, lo.y, lo.z}, {hi.x, hi.y, hi.z}};
  return mesh;
}

}  // namespace quela::tools
