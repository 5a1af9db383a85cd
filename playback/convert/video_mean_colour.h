#pragma once
// The video's mean colour, which a scene may follow as its ambient light, and
// the state the converters share while sampling it.
#include <atomic>
#include <shared_mutex>

namespace quela {

struct MeanColour {  // each 0 to 255
  float red = 1.0f;
  float green = 1.0f;
  float blue = 1.0f;
};

// Written by the converters (streaming thread), read by the frame clock (main
// thread); the lock is held only for the three-float copy.
class VideoMeanColour {
 public:
  void Store(const MeanColour& colour);  // exclusive lock
  MeanColour Load() const;               // shared lock

 private:
  mutable std::shared_mutex lock_;  // VideoMeanColourLock
  MeanColour colour_;
};

struct MeanSampling {
  std::atomic<bool> lightFollowsVideo{false};  // LightFollowsVideo: set by the scene command; off, nothing is sampled
  std::atomic<bool> toggle{false};             // skips every other frame, counted across all converters
  VideoMeanColour colour;
};

// The program's one instance; tests make their own.
extern MeanSampling processMeanSampling;

}  // namespace quela
