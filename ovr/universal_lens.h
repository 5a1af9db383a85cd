#pragma once
// OpenHMD's universal lens model: a cubic radial polynomial in panel metres, one scale per channel.

#include <array>

#include "ovr/OVR_CAPI.h"
#include "ovr/lens_model.h"

namespace quela::ovr {

struct UniversalLensParams {
  ovrVector2f screenSizeMetres;     // whole panel
  float lensSeparationMetres;
  float lensVerticalPositionMetres;  // from the panel's bottom edge
  std::array<float, 4> k;           // a, b, c, d of r' = r (d + c r + b r^2 + a r^3)
  std::array<float, 3> aberration;  // red, green, blue
  ovrFovPort fov[ovrEye_Count];     // the eye images' fields of view
};

class UniversalLens final : public LensModel {
 public:
  explicit UniversalLens(const UniversalLensParams& params) : p_(params) {}
  ChannelTangents TangentsAt(ovrEyeType eye, ovrVector2f panelNdc) const override;

 private:
  UniversalLensParams p_;
};

}  // namespace quela::ovr
