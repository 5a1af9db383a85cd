// The two-buffer hand-over under FrameLock, and the statistics refresh.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>

#include "playback/convert/video_frame_buffer.h"
#include "playback/convert/video_stats.h"

namespace quela::test {
namespace {

// The writer fills the back buffer with one value per frame; the reader, holding
// the lock it only tries, must never see a front buffer with two values in it.
TEST(VideoFrameBufferTest, TheRenderLoopNeverSeesAHalfDrawnFrame) {
  VideoFrameBuffer frames;
  std::array<std::array<int, 4096>, kFrameBufferCount> pixels{};
  std::atomic<bool> done{false};
  std::atomic<int> shown{0};  // distinct frames the render loop has checked
  int torn = 0;
  std::thread reader([&] {
    int last = -1;
    while (!done) {
      if (!FrameLock.try_lock()) continue;
      const auto& front = pixels[frames.frontBuffer];
      // A frame already checked is shown again without a second scan, so the lock is held only briefly.
      if (front[0] != last) {
        for (int value : front) torn += value != front[0];
        last = front[0];
        ++shown;
      }
      FrameLock.unlock();
      std::this_thread::yield();  // the rest of a render-loop pass
    }
  });
  for (int frame = 1; frame <= 2000; ++frame) {
    {
      std::lock_guard lock(FrameLock);
      pixels[frames.backBuffer].fill(frame);
      frames.Present();
    }
    // Every tenth frame, let the render loop in: a mutex need not be fair, and under a
    // sanitizer or a busy machine the writer could otherwise keep the lock for ever.
    if (frame % 10 == 0) {
      const int seen = shown;
      while (shown == seen) std::this_thread::yield();
    }
  }
  done = true;
  reader.join();
  EXPECT_EQ(torn, 0);
}

// A figure the sink did not write stays -1; the request is cleared even without a sink.
TEST(VideoStatsTest, RefreshStoresWhatTheSinkWroteAndClearsTheRequest) {
  struct Quality : VideoQuality {
    bool AvgFrameRate(std::int32_t* value) override { return *value = 2397, true; }
    bool FramesDroppedInRenderer(std::int32_t* value) override { return *value = 3, true; }
    bool Jitter(std::int32_t*) override { return false; }
  } quality;
  VideoStats stats;
  std::atomic<bool> request{true};
  RefreshVideoStats(nullptr, stats, request);
  EXPECT_FALSE(request);
  RefreshVideoStats(&quality, stats, request);  // not requested: nothing happens
  EXPECT_EQ(stats.averageFrameRate, -1);
  request = true;
  stats.jitter = 5;
  RefreshVideoStats(&quality, stats, request);
  EXPECT_EQ(stats.averageFrameRate, 2397);
  EXPECT_EQ(stats.framesDropped, 3);
  EXPECT_EQ(stats.jitter, -1);
  EXPECT_FALSE(request);
}

}  // namespace
}  // namespace quela::test
