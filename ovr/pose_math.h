#pragma once
// Quaternion and rotation helpers on the runtime's own types (right-handed, +Y up, -Z forward).

#include <array>

#include "ovr/OVR_CAPI.h"

namespace quela::ovr {

// 3 x 3 rotation, row-major, for column vectors.
using Mat3 = std::array<float, 9>;

ovrQuatf Identity();
ovrQuatf Multiply(const ovrQuatf& a, const ovrQuatf& b);  // rotation b first, then a
ovrQuatf Conjugate(const ovrQuatf& q);
ovrVector3f Rotate(const ovrQuatf& q, const ovrVector3f& v);
// Degrees: yaw about +Y (positive turns left), then pitch about +X (positive looks up), then roll about
// the forward axis (positive tilts the head to the right).
ovrQuatf FromYawPitchRoll(float yawDegrees, float pitchDegrees, float rollDegrees);
// The rotation about +Y alone that carries -Z to q's forward direction projected on the ground.
ovrQuatf HeadingOf(const ovrQuatf& q);
Mat3 ToMatrix(const ovrQuatf& q);
// Carries directions seen with the display-time orientation into the render-time head frame.
Mat3 TimewarpRotation(const ovrQuatf& renderOrientation, const ovrQuatf& displayOrientation);

}  // namespace quela::ovr
