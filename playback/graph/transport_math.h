#pragma once
// The transport's arithmetic. Positions are reference times in 100-ns units
// (10 000 000 per second); GStreamer's nanoseconds are converted at its edge.
#include <cstdint>
#include <string>

namespace quela {

constexpr std::int64_t kUnitsPerSecond = 10'000'000;

struct SplitTimeResult {
  std::int64_t hours = 0;  // not limited to 24
  std::int32_t minutes = 0;
  std::int32_t seconds = 0;
};

// milliseconds -> hours, minutes, seconds, truncating.
SplitTimeResult SplitTime(std::int64_t milliseconds);

// The relative seek's target: current +/- seconds, clamped to [0, duration].
std::int64_t RelativeSeekTarget(std::int64_t current, bool forward, std::int32_t seconds, std::int64_t duration);
// The percentage seek's target: percent x (duration / 100), the division first, clamped to [0, duration].
std::int64_t PercentSeekTarget(std::int32_t percent, std::int64_t duration);
// current x 100 / duration, truncating; 0 when duration is 0 or less.
std::int32_t PositionPercent(std::int64_t current, std::int64_t duration);
// "HH:MM:SS  /  HH:MM:SS" for the position and the duration.
std::string TimeText(std::int64_t current, std::int64_t duration);

}  // namespace quela
