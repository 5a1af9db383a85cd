#pragma once
// The statistics text shown in each eye: the render loop's own frame rate
// over windows of at least a second, and the video sink's figures.
#include <atomic>
#include <string>

#include "playback/convert/video_stats.h"

namespace quela {

class FrameStatistics {
 public:
  // Counts a frame drawn at now (frame-clock seconds); once a window of a second is full, rebuilds the
  // text from the video figures and asks the streaming thread for fresh ones. Main thread.
  void Update(float now, const VideoStats& video = videoStats, std::atomic<bool>& request = StatsRequest);
  const std::string& Text() const { return text_; }
  float FramesPerSecond() const { return framesPerSecond_; }

 private:
  std::string text_;
  float windowStart_ = 0.0f;
  int frames_ = 0;
  float secondsPerFrame_ = 0.0f;
  float framesPerSecond_ = 0.0f;
};

}  // namespace quela
