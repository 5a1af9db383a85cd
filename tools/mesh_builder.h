#pragma once
// Collects the triangles of one CMO mesh: parametric surfaces for the
// screens, extruded outlines for the GUI parts.
//
// Winding: triangles are given counter-clockwise seen from the side their
// normals point to, and stored the other way round: the file's triangles are
// clockwise seen from the front, as the renderer (which culls
// counter-clockwise triangles) expects of every model.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/formats/cmo.h"
#include "tools/vec3.h"

namespace quela::tools {

struct SurfacePoint {
  Vec3 position;
  Vec3 normal;  // unit, toward the viewer
};

// (u, v) in [0, 1]²: u runs left to right and v top to bottom as the viewer
// sees the surface; they become the texture coordinates.
using Surface = std::function<SurfacePoint(float u, float v)>;

struct Point2 {
  float x = 0, y = 0;
};

// A flat shape: points and triangles counter-clockwise in (x, y). Edges used
// by one triangle only are the shape's boundary.
struct Outline {
  std::vector<Point2> points;
  std::vector<std::array<int, 3>> triangles;
};

// Where an outline lies in model space: x along `right`, y along `up` from
// `origin`, its front facing Cross(right, up). right and up are orthonormal.
struct Frame {
  Vec3 right;
  Vec3 up;
  Vec3 origin;
};

// Adds a triangle, turned counter-clockwise if it was given the other way.
void AddTriangleCcw(Outline& outline, int a, int b, int c);

struct MaterialColors {
  Vec3 diffuse;
  float alpha = 1.0f;
  Vec3 emissive;
};

class MeshBuilder {
 public:
  // A grid of cols x rows cells over the surface. Triangles that collapse
  // (the cells touching a pole) are left out.
  void AddSurface(const Surface& surface, int cols, int rows);
  // The outline as a closed slab `thickness` deep, centred on the frame's
  // plane: front face, back face and flat-shaded side walls.
  void AddSlab(const Outline& outline, const Frame& frame, float thickness);
  // Stretches the mesh per axis (factors > 0); normals follow correctly.
  void Scale(Vec3 factor);

  // One submesh with one material; extents from the vertices. Throws
  // std::length_error past the 16-bit index range.
  toolkit::CmoMesh Build(const std::string& meshName, const std::string& materialName,
                         const MaterialColors& colors) const;

 private:
  void AddTriangle(std::uint32_t a, std::uint32_t b, std::uint32_t c);

  std::vector<toolkit::CmoVertex> vertices_;
  std::vector<std::uint32_t> indices_;
};

}  // namespace quela::tools
