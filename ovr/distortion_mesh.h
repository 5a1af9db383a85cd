#pragma once
// The per-eye distortion mesh: a grid over the eye's half of the panel whose vertices carry the
// tangent-space source of each colour channel and a vignette weight, so that per pixel only the
// texture fetches remain. The grid lines fall on multiples of kMeshCellPixels output pixels: a
// software rasterizer shades 4 x 4 blocks, and a block cut by a cell's edge is shaded once per
// triangle, so aligned cells are shaded once except along their diagonals. Cells join into larger
// ones where that changes nothing visible, since every triangle costs the rasterizer a setup.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ovr/OVR_CAPI.h"
#include "ovr/lens_model.h"

namespace quela::ovr {

// Cells of 16 x 16 pixels keep the interpolated source within a texel of the lens model at the DK2's
// 960 x 1080 per eye.
inline constexpr int kMeshCellPixels = 16;
// Where the lens is nearly linear, cells of up to this many grid cells a side: fewer triangles to
// set up, each still within half an output pixel of the lens model.
inline constexpr int kMaxCellSpan = 4;
inline constexpr float kVignetteBorder = 0.075f;  // fade width, as a fraction of the NDC half-extent

struct DistortionVertex {
  ovrVector2f panelNdc;  // -1..1 over the eye's half of the output
  ovrVector2f tanRed, tanGreen, tanBlue;
  // Unclamped: 1 and above is full brightness, 0 and below black; negative values keep the linear
  // interpolation across a cell crossing zero where the edge really is.
  float vignette;
};

struct DistortionMesh {
  int columns = 0, rows = 0;                // cells
  std::vector<DistortionVertex> vertices;  // (columns + 1) x (rows + 1), row by row from the bottom
  // Two triangles per cell (a grid cell, or a rectangle of them): first the cells at full brightness
  // (no vertex dimmed by the vignette), then those that fade, last those sampling wholly outside
  // the image, which show black.
  std::vector<std::uint16_t> indices;
  std::size_t brightIndexCount = 0;
  std::size_t outsideIndexCount = 0;
};

// eyePixels: the eye's part of the output, in pixels.
DistortionMesh BuildDistortionMesh(const LensModel& lens, ovrEyeType eye, const ovrFovPort& fov,
                                   ovrSizei eyePixels);

}  // namespace quela::ovr
