// The hand-over between a streaming thread drawing frames and a render loop
// showing them through the main context, and the statistics refresh.
#include <gtest/gtest.h>

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
      const auto level = static_cast<std::uint8_t>(n % 250 + 1);
      failures += !Draw(*renderer, TestFrame::Solid(96, 48, {level, level, level, 255}));
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
    const std::uint8_t level = left[0];
    for (const auto* eye : {&left, &right})
      for (std::size_t i = 0; i < eye->size(); i += 4)
        ASSERT_EQ((*eye)[i], level) << "pixel " << i / 4 << " after " << shown << " frames shown";
    // Frames only move forward (the levels wrap after 250 frames).
    EXPECT_TRUE(level >= previous || previous - level > 200) << int(level) << " after " << previous;
    previous = level;
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
  bool FramesDroppedInRenderer(std::int32_t* value) override { return *value = 3, true; }
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
  EXPECT_EQ(stats.averageFrameRate.load(), 2997);
  EXPECT_EQ(stats.framesDropped.load(), 3);
  EXPECT_EQ(stats.jitter.load(), -1);
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

}  // namespace
}  // namespace quela::test
