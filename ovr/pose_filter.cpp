#include "ovr/pose_filter.h"

#include <cmath>

namespace quela::ovr {

bool PoseFilter::Accept(const float quat[4], const float position[3]) {
  for (int i = 0; i < 4; ++i)
    if (!std::isfinite(quat[i])) return false;
  for (int i = 0; i < 3; ++i)
    if (!std::isfinite(position[i])) return false;
  const float norm = std::sqrt(quat[0] * quat[0] + quat[1] * quat[1] + quat[2] * quat[2] + quat[3] * quat[3]);
  // Fusion output drifts a little from unit length; a large departure means garbage.
  if (!(norm > 0.5f && norm < 1.5f)) return false;
  last_.Orientation = {quat[0] / norm, quat[1] / norm, quat[2] / norm, quat[3] / norm};
  last_.Position = {position[0], position[1], position[2]};
  return true;
}

}  // namespace quela::ovr
