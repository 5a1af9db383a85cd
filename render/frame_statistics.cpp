#include "render/frame_statistics.h"

#include <cstdio>

namespace quela {

void FrameStatistics::Update(float now, const VideoStats& video, std::atomic<bool>& request) {
  ++frames_;
  const float elapsed = now - windowStart_;
  if (elapsed < 1.0f) return;
  secondsPerFrame_ = elapsed / static_cast<float>(frames_);
  framesPerSecond_ = 1.0f / secondsPerFrame_;
  windowStart_ = now;
  char text[128];
  std::snprintf(text, sizeof text, "FPS: %.1f  ms: %.1f \nVideo FPS: %.02f  Dropped: %d  Jitter: %d",
                static_cast<double>(framesPerSecond_), static_cast<double>(secondsPerFrame_ * 1000.0f),
                video.averageFrameRate.load() * 0.01, static_cast<int>(video.framesDropped.load()),
                static_cast<int>(video.jitter.load()));
  text_ = text;
  frames_ = 0;
  bool expected = false;
  request.compare_exchange_strong(expected, true);
}

}  // namespace quela
