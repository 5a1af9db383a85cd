#include "ovr/dk2_optics.h"

#include <algorithm>
#include <cmath>

namespace quela::ovr::dk2 {

ovrHmdDesc Description() {
  ovrHmdDesc d{};
  d.Type = ovrHmd_DK2;
  d.ProductName = "Oculus Rift DK2";
  d.Manufacturer = "Oculus VR";
  d.HmdCaps = ovrHmdCap_ExtendDesktop | ovrHmdCap_DisplayOff | ovrHmdCap_LowPersistence |
              ovrHmdCap_DynamicPrediction | ovrHmdCap_NoVSync | ovrHmdCap_NoMirrorToWindow;
  d.TrackingCaps = ovrTrackingCap_Orientation | ovrTrackingCap_MagYawCorrection | ovrTrackingCap_Position;
  d.DistortionCaps = ovrDistortionCap_Chromatic | ovrDistortionCap_TimeWarp | ovrDistortionCap_Vignette |
                     ovrDistortionCap_NoRestore | ovrDistortionCap_FlipInput | ovrDistortionCap_SRGB |
                     ovrDistortionCap_Overdrive | ovrDistortionCap_HqDistortion;
  d.DefaultEyeFov[ovrEye_Left] = d.MaxEyeFov[ovrEye_Left] = kLeftFov;
  d.DefaultEyeFov[ovrEye_Right] = d.MaxEyeFov[ovrEye_Right] = kRightFov;
  // The panel scans out right to left, so the right eye is drawn first.
  d.EyeRenderOrder[0] = ovrEye_Right;
  d.EyeRenderOrder[1] = ovrEye_Left;
  d.Resolution = kResolution;
  return d;
}

float RadialScale(float v) {
  constexpr int last = static_cast<int>(kKnots.size()) - 1;
  const auto& k = kKnots;
  if (v >= last) return k[last] + (v - last) * (k[last] - k[last - 1]);
  const int seg = std::clamp(static_cast<int>(std::floor(v)), 0, last - 1);
  const float t = v - seg;
  // Hermite segment with central-difference tangents; the curve starts at exactly 1 at the centre.
  const float p0 = seg == 0 ? 1.0f : k[seg];
  const float m0 = seg == 0 ? k[1] - k[0] : 0.5f * (k[seg + 1] - k[seg - 1]);
  const float p1 = k[seg + 1];
  const float m1 = seg == last - 1 ? k[last] - k[last - 1] : 0.5f * (k[seg + 2] - k[seg]);
  const float u = 1.0f - t;
  return (p0 * (1 + 2 * t) + m0 * t) * u * u + (p1 * (1 + 2 * u) - m1 * u) * t * t;
}

ChannelTangents CatmullRomLens::TangentsAt(ovrEyeType eye, ovrVector2f panelNdc) const {
  const float lensX = eye == ovrEye_Left ? -kLensCentreNdcX : kLensCentreNdcX;
  const ovrVector2f d{(panelNdc.x - lensX) * kTanAngleScale.x, panelNdc.y * kTanAngleScale.y};
  const float rsq = d.x * d.x + d.y * d.y;
  const float green = RadialScale(10.0f * rsq);
  const float red = green * (1 + kChromatic[0] + rsq * kChromatic[1]);
  const float blue = green * (1 + kChromatic[2] + rsq * kChromatic[3]);
  return {{d.x * red, d.y * red}, {d.x * green, d.y * green}, {d.x * blue, d.y * blue}};
}

}  // namespace quela::ovr::dk2
