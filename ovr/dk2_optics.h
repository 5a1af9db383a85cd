#pragma once
// The DK2's figures under the 0.4.2 runtime (default profile) and its Catmull-Rom lens model.

#include <array>

#include "ovr/OVR_CAPI.h"
#include "ovr/lens_model.h"

namespace quela::ovr::dk2 {

inline constexpr ovrSizei kResolution{1920, 1080};
inline constexpr float kIpdMetres = 0.064f;
// (1920 px / 0.12576 m) * 0.036 m per tangent unit at the lens centre.
inline constexpr ovrVector2f kPixelsPerTanAngle{549.618f, 549.618f};
inline constexpr ovrFovPort kLeftFov{1.329286f, 1.329286f, 1.058657f, 1.092368f};
inline constexpr ovrFovPort kRightFov{1.329286f, 1.329286f, 1.092368f, 1.058657f};

// The 11 knots of the radial scale, sampled at rsq = 0, 0.1, ..., 1.0.
inline constexpr std::array<float, 11> kKnots{1.003f, 1.02f,  1.042f, 1.066f, 1.094f, 1.126f,
                                              1.162f, 1.203f, 1.25f,  1.31f,  1.38f};
// Red scale 1 + k0 + rsq * k1, blue 1 + k2 + rsq * k3 (default eye relief).
inline constexpr std::array<float, 4> kChromatic{-0.01234f, -0.0165f, 0.02059f, 0.0165f};
// Panel NDC to tangent units at the lens: half an eye's panel width (height) over 0.036 m.
inline constexpr ovrVector2f kTanAngleScale{0.87333f, 0.9825f};
inline constexpr float kLensCentreNdcX = 0.00986f;  // left eye at -x, right eye at +x

ovrHmdDesc Description();

// The radial scale at v = 10 * rsq: knot k at v = k (1 at v = 0), a straight line past the last knot.
float RadialScale(float v);

class CatmullRomLens final : public LensModel {
 public:
  ChannelTangents TangentsAt(ovrEyeType eye, ovrVector2f panelNdc) const override;
};

}  // namespace quela::ovr::dk2
