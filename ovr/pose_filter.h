#pragma once
// Guards the pose against a tracker reporting nonsense: bad samples leave the last good pose in place.

#include "ovr/OVR_CAPI.h"

namespace quela::ovr {

class PoseFilter {
 public:
  // quat is (x, y, z, w), position in metres. A quaternion that is not finite or far from unit
  // length is refused; a finite one near unit length is normalised. Returns whether it was taken.
  bool Accept(const float quat[4], const float position[3]);
  const ovrPosef& Last() const { return last_; }

 private:
  ovrPosef last_{{0, 0, 0, 1}, {0, 0, 0}};
};

}  // namespace quela::ovr
