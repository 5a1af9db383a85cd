#pragma once
// The per-eye distortion mesh: a grid over the eye's half of the panel whose vertices carry the
// tangent-space source of each colour channel and a vignette weight, so that per pixel only the
// texture fetches remain.

#include <cstdint>
#include <vector>

#include "ovr/OVR_CAPI.h"
#include "ovr/lens_model.h"

namespace quela::ovr {

inline constexpr int kMeshCells = 64;          // per side
inline constexpr float kVignetteBorder = 0.075f;  // fade width, as a fraction of the NDC half-extent

struct DistortionVertex {
  ovrVector2f panelNdc;  // -1..1 over the eye's half of the output
  ovrVector2f tanRed, tanGreen, tanBlue;
  // Unclamped: 1 and above is full brightness, 0 and below black; negative values keep the linear
  // interpolation across a cell crossing zero where the edge really is.
  float vignette;
};

struct DistortionMesh {
  std::vector<DistortionVertex> vertices;  // (kMeshCells + 1)^2, row by row from the bottom
  std::vector<std::uint16_t> indices;      // triangles; cells sampling wholly outside the image are left out
};

DistortionMesh BuildDistortionMesh(const LensModel& lens, ovrEyeType eye, const ovrFovPort& fov);

}  // namespace quela::ovr
