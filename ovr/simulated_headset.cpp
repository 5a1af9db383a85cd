#include "ovr/simulated_headset.h"

#include <algorithm>
#include <cmath>

#include "ovr/dk2_optics.h"
#include "ovr/pose_math.h"

namespace quela::ovr {
namespace {

// Keeps a long drag session from losing float precision.
float WrapDegrees(float degrees) { return std::remainder(degrees, 360.0f); }

}  // namespace

SimulatedHeadset::SimulatedHeadset()
    : optics_{dk2::Description(), dk2::kPixelsPerTanAngle, dk2::kIpdMetres,
              std::make_unique<dk2::CatmullRomLens>()} {}

ovrPosef SimulatedHeadset::Pose() { return {FromYawPitchRoll(yaw_, pitch_, roll_), {0, 0, 0}}; }

void SimulatedHeadset::Turn(float yawDegrees, float pitchDegrees) {
  yaw_ = WrapDegrees(yaw_ + yawDegrees);
  pitch_ = std::clamp(pitch_ + pitchDegrees, -90.0f, 90.0f);
}

void SimulatedHeadset::SetPose(float yawDegrees, float pitchDegrees, float rollDegrees) {
  yaw_ = WrapDegrees(yawDegrees);
  pitch_ = std::clamp(pitchDegrees, -90.0f, 90.0f);
  roll_ = WrapDegrees(rollDegrees);
}

}  // namespace quela::ovr
