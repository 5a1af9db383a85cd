#include "playback/sink/renderer_quality.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quela {
namespace {

std::int32_t Clamp32(double value) {
  return static_cast<std::int32_t>(std::clamp(value, 0.0, double{std::numeric_limits<std::int32_t>::max()}));
}

}  // namespace

void RendererQuality::Reset() {
  std::lock_guard lock(lock_);
  c_ = Counts{};
}

void RendererQuality::StartStreaming(std::int64_t nowNs) {
  std::lock_guard lock(lock_);
  if (c_.playingSinceNs >= 0) return;
  c_.playingSinceNs = nowNs;
  // The pause between two frames is no interval of the stream.
  c_.lastDrawNs = -1;
}

void RendererQuality::StopStreaming(std::int64_t nowNs) {
  std::lock_guard lock(lock_);
  if (c_.playingSinceNs < 0) return;
  c_.playedNs += std::max<std::int64_t>(nowNs - c_.playingSinceNs, 0);
  c_.playingSinceNs = -1;
}

void RendererQuality::FrameDrawn(std::int64_t nowNs) {
  std::lock_guard lock(lock_);
  ++c_.framesDrawn;
  if (c_.lastDrawNs >= 0) {
    const double intervalMs = static_cast<double>(nowNs - c_.lastDrawNs) / 1e6;
    ++c_.intervals;
    c_.intervalSumMs += intervalMs;
    c_.intervalSquareSumMs += intervalMs * intervalMs;
  }
  c_.lastDrawNs = nowNs;
}

void RendererQuality::FramesDropped(std::int64_t count) {
  std::lock_guard lock(lock_);
  c_.framesDropped += count;
}

QualityFigures RendererQuality::Figures(std::int64_t nowNs) const {
  std::lock_guard lock(lock_);
  QualityFigures figures;
  figures.framesDrawn = Clamp32(static_cast<double>(c_.framesDrawn));
  figures.framesDropped = Clamp32(static_cast<double>(c_.framesDropped));
  const std::int64_t playedNs = c_.playedNs + (c_.playingSinceNs >= 0 ? std::max<std::int64_t>(nowNs - c_.playingSinceNs, 0) : 0);
  if (playedNs > 0) figures.averageFrameRate = Clamp32(static_cast<double>(c_.framesDrawn) * 100.0 * 1e9 / playedNs);
  // One interval has no spread.
  if (c_.intervals >= 2) {
    const double mean = c_.intervalSumMs / c_.intervals;
    const double variance = c_.intervalSquareSumMs / c_.intervals - mean * mean;
    figures.jitter = Clamp32(std::round(std::sqrt(std::max(variance, 0.0))));
  }
  return figures;
}

}  // namespace quela
