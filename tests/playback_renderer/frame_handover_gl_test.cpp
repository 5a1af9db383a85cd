// The hand-over between a streaming thread drawing frames and a render loop
// showing them through the main context, the statistics refresh, and a frame
// waiting for FrameLock, which never outlives a graph teardown or an unblock.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "tests/playback_renderer/frame_renderer_fixture.h"

namespace quela::test {
namespace {

TEST_F(FrameRendererTest, RenderLoopNeverSeesAHalfDrawnFrame) {
  screen.SelectStereoMode(StereoMode::SideBySide);
  auto renderer = MakeRenderer();
  constexpr int kFrames = 300;
  std::atomic<bool> done{false};
  std::atomic<int> drawn{0};
  int failures = 0;
  std::thread streaming([&] {
    for (int n = 1; n <= kFrames; ++n) {
      // Frame n in two channels: blue and green n % 250, red n / 250.
      const auto low = static_cast<std::uint8_t>(n % 250), high = static_cast<std::uint8_t>(n / 250);
      failures += !Draw(*renderer, TestFrame::Solid(96, 48, {low, low, high, 255}));
      ++drawn;
    }
    done = true;
  });

  // The render loop: try-lock, then check that both eyes show one frame whole. It looks once per
  // new frame, while the next one is being drawn: spinning on the lock would starve the writer,
  // whose wait polls.
  int shown = 0;
  int previous = 0;
  int looked = 0;
  while (!done.load() || shown == 0) {
    if (drawn.load() == looked && !done.load()) {
      std::this_thread::yield();
      continue;
    }
    if (!frameLock.try_lock()) continue;
    looked = drawn.load();
    const std::lock_guard lock(frameLock, std::adopt_lock);
    if (frames.frameTextures[0][0].name == 0) continue;
    const auto left = ReadFrontLocked(0);
    const auto right = ReadFrontLocked(1);
    // The read-back is R, G, B, A: R holds n / 250, G and B n % 250.
    for (const auto* eye : {&left, &right})
      for (std::size_t i = 0; i < eye->size(); i += 4)
        for (std::size_t c = 0; c < 3; ++c)
          ASSERT_EQ((*eye)[i + c], left[c]) << "pixel " << i / 4 << " after " << shown << " frames shown";
    const int frame = left[0] * 250 + left[1];
    EXPECT_GE(frame, previous) << "frames only move forward";
    previous = frame;
    ++shown;
  }
  streaming.join();
  EXPECT_EQ(failures, 0);
  EXPECT_GT(shown, 0);
}

class LockCheckingQuality : public VideoQuality {
 public:
  explicit LockCheckingQuality(std::mutex& lock) : lock_(lock) {}
  bool AvgFrameRate(std::int32_t* value) override {
    lockWasFree = lock_.try_lock();
    if (lockWasFree) lock_.unlock();
    *value = 2997;
    return true;
  }
  bool FramesDroppedInRenderer(std::int32_t*) override { return false; }
  bool Jitter(std::int32_t*) override { return false; }
  bool lockWasFree = false;

 private:
  std::mutex& lock_;
};

TEST_F(FrameRendererTest, RefreshesStatisticsAfterReleasingTheLock) {
  LockCheckingQuality quality(frameLock);
  CD2DRenderer renderer(sharedContext, Shared(&quality));
  const auto frame = TestFrame::Solid(32, 32, {1, 2, 3, 255});
  ASSERT_TRUE(Draw(renderer, frame));
  EXPECT_EQ(stats.averageFrameRate.load(), -1);

  statsRequest = true;
  ASSERT_TRUE(Draw(renderer, frame));
  EXPECT_TRUE(quality.lockWasFree);
  EXPECT_EQ(stats.averageFrameRate.load(), 2997);  // the figures themselves: VideoStatsTest
  EXPECT_FALSE(statsRequest.load());
}

class UnavailableContext : public SharedGlContext {
 public:
  bool MakeCurrent() override { return false; }
  void ReleaseCurrent() override { ADD_FAILURE() << "released a context never made current"; }
};

TEST_F(FrameRendererTest, WithoutItsContextRefusesFramesInsteadOfCrashing) {
  UnavailableContext none;
  CD2DRenderer renderer(none, Shared());
  EXPECT_EQ(DrawResultOf(renderer, TestFrame::Solid(32, 32, {1, 2, 3, 255})), DrawResult::kFailed);
  EXPECT_EQ(frames.frontBuffer.load(), 0);
}

using namespace std::chrono_literals;

constexpr auto kHang = 5s;  // far beyond any legitimate wait here

enum class Release { GraphBusy, Unblock };

TEST_F(FrameRendererTest, BlockedDrawReturnsWhenTheGraphIsBusyOrUnblocked) {
  auto renderer = MakeRenderer();
  const auto frame = TestFrame::Solid(32, 16, {9, 9, 9, 255});
  for (int round = 0; round < 100; ++round) {
    const Release release = round % 2 ? Release::Unblock : Release::GraphBusy;
    const int front = frames.frontBuffer.load();
    frameLock.lock();  // the render loop or a file opening holds it
    auto draw = std::async(std::launch::async, [&] { return DrawResultOf(*renderer, frame); });
    std::this_thread::sleep_for(std::chrono::microseconds(round * 20));
    if (release == Release::GraphBusy)
      graphBusy = true;
    else
      renderer->Unblock();
    ASSERT_EQ(draw.wait_for(kHang), std::future_status::ready) << "round " << round;
    EXPECT_EQ(draw.get(), DrawResult::kSkipped);
    EXPECT_EQ(frames.frontBuffer.load(), front) << "nothing is drawn without the lock";
    frameLock.unlock();
    graphBusy = false;
    renderer->Resume();
  }
  const int back = frames.backBuffer;
  ASSERT_TRUE(Draw(*renderer, frame));
  EXPECT_EQ(frames.frontBuffer.load(), back);
}

// File opening as the program does it: take FrameLock, set GraphBusy, then stop
// the graph, which waits for the streaming thread to leave the renderer.
TEST_F(FrameRendererTest, OpeningFilesWhileFramesFlowNeverDeadlocks) {
  auto renderer = MakeRenderer();
  const auto frame = TestFrame::Solid(32, 16, {9, 9, 9, 255});
  std::atomic<bool> stop{false};
  std::atomic<bool> inRenderer{false};
  std::atomic<int> drawn{0};
  std::thread streaming([&] {
    while (!stop.load()) {
      inRenderer = true;
      drawn += Draw(*renderer, frame);
      inRenderer = false;
      std::this_thread::yield();
    }
  });
  for (int open = 0; open < 200; ++open) {
    frameLock.lock();
    graphBusy = true;
    const auto deadline = std::chrono::steady_clock::now() + kHang;
    while (inRenderer.load()) {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the streaming thread never left, open " << open;
      std::this_thread::yield();
    }
    graphBusy = false;
    frameLock.unlock();
    std::this_thread::sleep_for(100us);
  }
  stop = true;
  streaming.join();
  EXPECT_GT(drawn.load(), 0);
}

}  // namespace
}  // namespace quela::test
