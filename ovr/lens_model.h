#pragma once
// A lens model: where each colour channel of a panel point comes from in the eye's tangent space.

#include "ovr/OVR_CAPI.h"

namespace quela::ovr {

struct ChannelTangents {
  ovrVector2f red, green, blue;
};

class LensModel {
 public:
  virtual ~LensModel() = default;
  // panelNdc: the point in the eye's half of the panel, -1..1, +Y up.
  virtual ChannelTangents TangentsAt(ovrEyeType eye, ovrVector2f panelNdc) const = 0;
};

}  // namespace quela::ovr
