#pragma once
// The video statistics handed from the video sink to the statistics text: the
// text reads VideoStats once a second and sets StatsRequest; after the next
// frame is drawn the streaming thread refreshes VideoStats and clears it.
#include <atomic>
#include <cstdint>

namespace quela {

struct VideoStats {
  std::atomic<std::int32_t> averageFrameRate{-1};  // frames per second x 100
  std::atomic<std::int32_t> framesDropped{-1};     // frames dropped in the renderer
  std::atomic<std::int32_t> jitter{-1};            // milliseconds
};

// The video sink's quality figures. Each writes its figure and returns true,
// or returns false and may leave the value as it was. Streaming thread.
class VideoQuality {
 public:
  virtual ~VideoQuality() = default;
  virtual bool AvgFrameRate(std::int32_t* value) = 0;             // frames per second x 100
  virtual bool FramesDroppedInRenderer(std::int32_t* value) = 0;  // frames
  virtual bool Jitter(std::int32_t* value) = 0;                   // milliseconds
};

extern VideoStats videoStats;
extern std::atomic<bool> StatsRequest;

// When StatsRequest is set: stores the sink's three figures (-1 where a figure
// was not written; all unchanged when quality is null) and clears the request.
// Streaming thread, after FrameLock is released.
void RefreshVideoStats(VideoQuality* quality, VideoStats& stats = videoStats,
                       std::atomic<bool>& request = StatsRequest);

}  // namespace quela
