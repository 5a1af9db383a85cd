#include "ovr/pose_math.h"

#include <cmath>
#include <numbers>

namespace quela::ovr {
namespace {

ovrQuatf AxisAngle(float x, float y, float z, float radians) {
  const float s = std::sin(radians / 2);
  return {x * s, y * s, z * s, std::cos(radians / 2)};
}

float Radians(float degrees) { return degrees * std::numbers::pi_v<float> / 180.0f; }

}  // namespace

ovrQuatf Identity() { return {0, 0, 0, 1}; }

ovrQuatf Multiply(const ovrQuatf& a, const ovrQuatf& b) {
  return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
          a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
          a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w,
          a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

ovrQuatf Conjugate(const ovrQuatf& q) { return {-q.x, -q.y, -q.z, q.w}; }

ovrVector3f Rotate(const ovrQuatf& q, const ovrVector3f& v) {
  const ovrQuatf r = Multiply(Multiply(q, {v.x, v.y, v.z, 0}), Conjugate(q));
  return {r.x, r.y, r.z};
}

ovrQuatf FromYawPitchRoll(float yawDegrees, float pitchDegrees, float rollDegrees) {
  const ovrQuatf yaw = AxisAngle(0, 1, 0, Radians(yawDegrees));
  const ovrQuatf pitch = AxisAngle(1, 0, 0, Radians(pitchDegrees));
  const ovrQuatf roll = AxisAngle(0, 0, -1, Radians(rollDegrees));
  return Multiply(yaw, Multiply(pitch, roll));
}

ovrQuatf HeadingOf(const ovrQuatf& q) {
  const ovrVector3f forward = Rotate(q, {0, 0, -1});
  if (std::hypot(forward.x, forward.z) < 1e-6f) return Identity();  // looking straight up or down
  return AxisAngle(0, 1, 0, std::atan2(-forward.x, -forward.z));
}

Mat3 ToMatrix(const ovrQuatf& q) {
  const float x = q.x, y = q.y, z = q.z, w = q.w;
  return {1 - 2 * (y * y + z * z), 2 * (x * y - z * w),     2 * (x * z + y * w),
          2 * (x * y + z * w),     1 - 2 * (x * x + z * z), 2 * (y * z - x * w),
          2 * (x * z - y * w),     2 * (y * z + x * w),     1 - 2 * (x * x + y * y)};
}

Mat3 TimewarpRotation(const ovrQuatf& renderOrientation, const ovrQuatf& displayOrientation) {
  return ToMatrix(Multiply(Conjugate(renderOrientation), displayOrientation));
}

}  // namespace quela::ovr
