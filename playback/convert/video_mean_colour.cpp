#include "playback/convert/video_mean_colour.h"

#include <mutex>

namespace quela {

MeanSampling processMeanSampling;

void VideoMeanColour::Store(const MeanColour& colour) {
  std::unique_lock lock(lock_);
  colour_ = colour;
}

MeanColour VideoMeanColour::Load() const {
  std::shared_lock lock(lock_);
  return colour_;
}

}  // namespace quela
