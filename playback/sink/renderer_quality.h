#pragma once
// The renderer's quality figures, kept the way the classic base video renderer
// kept them: counts over the whole file (pauses and seeks do not reset them),
// the average rate over the time spent playing, and the jitter as the spread of
// the intervals between drawn frames. Times are nanoseconds of one monotonic
// clock (the pipeline clock), passed in so tests need no clock.
#include <cstdint>
#include <mutex>

namespace quela {

struct QualityFigures {
  std::int32_t framesDrawn = 0;
  std::int32_t framesDropped = 0;
  std::int32_t averageFrameRate = 0;  // frames per second x 100
  std::int32_t jitter = 0;            // milliseconds: standard deviation of the frame intervals
};

// Every call is thread-safe.
class RendererQuality {
 public:
  void Reset();                            // a new file
  void StartStreaming(std::int64_t nowNs);  // playing starts or resumes
  void StopStreaming(std::int64_t nowNs);   // playing pauses or stops
  void FrameDrawn(std::int64_t nowNs);
  void FramesDropped(std::int64_t count);
  QualityFigures Figures(std::int64_t nowNs) const;

 private:
  struct Counts {
    std::int64_t framesDrawn = 0;
    std::int64_t framesDropped = 0;
    std::int64_t playedNs = 0;         // playing time before the current stretch
    std::int64_t playingSinceNs = -1;  // -1: not playing
    std::int64_t lastDrawNs = -1;      // -1: the next frame starts a new run of intervals
    std::int64_t intervals = 0;
    double intervalSumMs = 0.0;
    double intervalSquareSumMs = 0.0;
  };

  mutable std::mutex lock_;
  Counts c_;
};

}  // namespace quela
