// The quality figures' arithmetic on given times: rate over playing time only,
// jitter as the spread of frame intervals, pauses outside both.
#include "playback/sink/renderer_quality.h"

#include <gtest/gtest.h>

#include <vector>

namespace quela::test {
namespace {

constexpr std::int64_t kMs = 1000000;  // ns

struct Event {
  enum Kind { kStart, kStop, kDraw, kDrop } kind;
  std::int64_t ms;
};

TEST(RendererQualityTest, FiguresFollowTheClassicArithmetic) {
  struct Case {
    const char* name;
    std::vector<Event> events;
    std::int64_t nowMs;
    QualityFigures expected;
  };
  const Case cases[] = {
      {"nothing played", {}, 500, {0, 0, 0, 0}},
      {"steady 25 fps", {{Event::kStart, 0}, {Event::kDraw, 0}, {Event::kDraw, 40}, {Event::kDraw, 80}, {Event::kDraw, 120}}, 160, {4, 0, 2500, 0}},
      {"alternating 30 and 50 ms",
       {{Event::kStart, 0}, {Event::kDraw, 0}, {Event::kDraw, 30}, {Event::kDraw, 80}, {Event::kDraw, 110}, {Event::kDraw, 160}},
       200, {5, 0, 2500, 10}},
      {"a pause counts neither as playing time nor as an interval",
       {{Event::kStart, 0}, {Event::kDraw, 0}, {Event::kDraw, 40}, {Event::kStop, 80}, {Event::kStart, 1080},
        {Event::kDraw, 1080}, {Event::kDraw, 1120}},
       1160, {4, 0, 2500, 0}},
      {"drops are counted apart", {{Event::kStart, 0}, {Event::kDrop, 10}, {Event::kDrop, 20}, {Event::kDraw, 30}}, 1000, {1, 2, 100, 0}},
      {"figures stand still while paused", {{Event::kStart, 0}, {Event::kDraw, 0}, {Event::kDraw, 40}, {Event::kStop, 100}}, 5000, {2, 0, 2000, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RendererQuality quality;
    quality.Reset();
    for (const Event& e : c.events) {
      switch (e.kind) {
        case Event::kStart: quality.StartStreaming(e.ms * kMs); break;
        case Event::kStop: quality.StopStreaming(e.ms * kMs); break;
        case Event::kDraw: quality.FrameDrawn(e.ms * kMs); break;
        case Event::kDrop: quality.FramesDropped(1); break;
      }
    }
    const QualityFigures f = quality.Figures(c.nowMs * kMs);
    EXPECT_EQ(f.framesDrawn, c.expected.framesDrawn);
    EXPECT_EQ(f.framesDropped, c.expected.framesDropped);
    EXPECT_EQ(f.averageFrameRate, c.expected.averageFrameRate);
    EXPECT_EQ(f.jitter, c.expected.jitter);
  }
}

}  // namespace
}  // namespace quela::test
