#pragma once
// A headset as the runtime sees it: its optics as data and a pose function.

#include <memory>

#include "ovr/OVR_CAPI.h"
#include "ovr/lens_model.h"

namespace quela::ovr {

struct DeviceOptics {
  ovrHmdDesc description;  // Handle left null; the strings live as long as the device
  ovrVector2f pixelsPerTanAngle;
  float ipdMetres;
  std::unique_ptr<LensModel> lens;
};

class HmdDevice {
 public:
  virtual ~HmdDevice() = default;
  virtual const DeviceOptics& Optics() const = 0;
  // Nobody wears the simulated headset: it shows no health-and-safety notice.
  virtual bool IsSimulated() const = 0;
  // Polls the tracker: the latest good head pose relative to the recentred origin.
  virtual ovrPosef Pose() = 0;
  // Makes the current heading and position the origin.
  virtual void Recenter() = 0;
};

}  // namespace quela::ovr
