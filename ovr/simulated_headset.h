#pragma once
// The built-in DK2 that nobody wears: its head pose comes from mouse drags and the script.

#include "ovr/hmd_device.h"

namespace quela::ovr {

class SimulatedHeadset final : public HmdDevice {
 public:
  SimulatedHeadset();
  const DeviceOptics& Optics() const override { return optics_; }
  bool IsSimulated() const override { return true; }
  ovrPosef Pose() override;
  void Recenter() override { SetPose(0, 0, 0); }

  // Degrees; yaw positive to the left, pitch upward and kept within +-90.
  void Turn(float yawDegrees, float pitchDegrees);
  void SetPose(float yawDegrees, float pitchDegrees, float rollDegrees);

 private:
  DeviceOptics optics_;
  float yaw_ = 0, pitch_ = 0, roll_ = 0;
};

}  // namespace quela::ovr
