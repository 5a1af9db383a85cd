#include <gtest/gtest.h>

#include "render/directx.h"
#include "render/frame_statistics.h"

namespace quela {
namespace {

TEST(FrameStatisticsTest, SeventyFiveFramesASecondReadAsSuch) {
  VideoStats video;
  video.averageFrameRate = 2397;
  video.framesDropped = 3;
  video.jitter = 4;
  std::atomic<bool> request{false};
  FrameStatistics stats;
  // The first window starts at 0; then a window of exactly one second at 75 frames per second.
  stats.Update(1.0f, video, request);
  request = false;
  for (int frame = 1; frame <= 75; ++frame) {
    stats.Update(1.0f + frame / 75.0f, video, request);
    if (frame < 75) {
      EXPECT_FALSE(request.load()) << "a window closed early at frame " << frame;
    }
  }
  EXPECT_EQ(stats.Text(), "FPS: 75.0  ms: 13.3 \nVideo FPS: 23.97  Dropped: 3  Jitter: 4");
  EXPECT_TRUE(request.load());
}

TEST(FrameStatisticsTest, LightsTurnHalfWayRoundTowardTheViewer) {
  const auto turned = ViewerFacingLightDirections();
  EXPECT_NEAR(turned[0].x, 0.5265408f, 1e-6f);
  EXPECT_NEAR(turned[0].y, -0.5735765f, 1e-6f);
  EXPECT_NEAR(turned[2].z, -0.4545195f, 1e-6f);
}

}  // namespace
}  // namespace quela
