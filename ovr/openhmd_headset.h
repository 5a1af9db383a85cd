#pragma once
// Real headsets through OpenHMD.

#include <memory>

#include "ovr/hmd_device.h"

namespace quela::ovr {

// The index-th real headset OpenHMD lists (its null devices, the external device and anything that
// is not an HMD are skipped); null if there is none or it cannot be used. Logs why.
std::unique_ptr<HmdDevice> OpenOpenHmdHeadset(int index);

}  // namespace quela::ovr
