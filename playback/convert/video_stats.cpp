#include "playback/convert/video_stats.h"

namespace quela {

VideoStats videoStats;
std::atomic<bool> StatsRequest{false};

void RefreshVideoStats(VideoQuality* quality, VideoStats& stats, std::atomic<bool>& request) {
  if (!request.load()) return;
  if (quality) {
    std::int32_t rate = -1;
    std::int32_t dropped = -1;
    std::int32_t jitter = -1;
    quality->AvgFrameRate(&rate);
    quality->FramesDroppedInRenderer(&dropped);
    quality->Jitter(&jitter);
    stats.averageFrameRate.exchange(rate);
    stats.framesDropped.exchange(dropped);
    stats.jitter.exchange(jitter);
  }
  request.exchange(false);
}

}  // namespace quela
