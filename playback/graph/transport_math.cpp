#include "playback/graph/transport_math.h"

#include <cstdio>

namespace quela {

SplitTimeResult SplitTime(std::int64_t milliseconds) {
  const std::int64_t totalSeconds = milliseconds / 1000;
  const std::int64_t totalMinutes = totalSeconds / 60;
  return {totalMinutes / 60, static_cast<std::int32_t>(totalMinutes % 60), static_cast<std::int32_t>(totalSeconds % 60)};
}

// The offset is formed in 64 bits, so any number of seconds moves the position correctly.
std::int64_t RelativeSeekTarget(std::int64_t current, bool forward, std::int32_t seconds, std::int64_t duration) {
  const std::int64_t offset = static_cast<std::int64_t>(seconds) * kUnitsPerSecond;
  std::int64_t target = forward ? current + offset : current - offset;
  if (target > duration) target = duration;
  if (target < 0) target = 0;
  return target;
}

std::int64_t PercentSeekTarget(std::int32_t percent, std::int64_t duration) {
  std::int64_t target = percent * (duration / 100);
  if (target > duration) target = duration;
  if (target < 0) target = 0;
  return target;
}

std::int32_t PositionPercent(std::int64_t current, std::int64_t duration) {
  if (duration <= 0) return 0;
  return static_cast<std::int32_t>(current * 100 / duration);
}

std::string TimeText(std::int64_t current, std::int64_t duration) {
  const SplitTimeResult now = SplitTime(current / 10'000);
  const SplitTimeResult total = SplitTime(duration / 10'000);
  char text[96];
  std::snprintf(text, sizeof text, "%02lld:%02d:%02d  /  %02lld:%02d:%02d", static_cast<long long>(now.hours),
                now.minutes, now.seconds, static_cast<long long>(total.hours), total.minutes, total.seconds);
  return text;
}

}  // namespace quela
