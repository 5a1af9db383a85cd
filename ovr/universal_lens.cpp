#include "ovr/universal_lens.h"

#include <algorithm>
#include <cmath>

#include "ovr/fov_math.h"

namespace quela::ovr {

ChannelTangents UniversalLens::TangentsAt(ovrEyeType eye, ovrVector2f panelNdc) const {
  // Work in metres on the eye's half of the panel, origin at its lower-left corner.
  const ovrVector2f half{p_.screenSizeMetres.x / 2, p_.screenSizeMetres.y};
  const float sep = p_.lensSeparationMetres / 2;
  const ovrVector2f lens{eye == ovrEye_Left ? half.x - sep : sep, p_.lensVerticalPositionMetres};
  const float warpScale = std::max(half.x - sep, sep);
  const ovrVector2f r{((panelNdc.x + 1) / 2 * half.x - lens.x) / warpScale,
                      ((panelNdc.y + 1) / 2 * half.y - lens.y) / warpScale};
  const float rho = std::hypot(r.x, r.y);
  const auto& k = p_.k;
  const float radial = (k[3] + k[2] * rho + k[1] * rho * rho + k[0] * rho * rho * rho) * warpScale;
  const auto channel = [&](float aberration) {
    // Back to the eye image's NDC, then into its tangent space.
    const ovrVector2f uv{(lens.x + aberration * r.x * radial) / half.x,
                         (lens.y + aberration * r.y * radial) / half.y};
    return NdcToTangent(p_.fov[eye], {uv.x * 2 - 1, uv.y * 2 - 1});
  };
  return {channel(p_.aberration[0]), channel(p_.aberration[1]), channel(p_.aberration[2])};
}

}  // namespace quela::ovr
