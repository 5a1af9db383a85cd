// A frame waiting for FrameLock never outlives a graph teardown or an unblock.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "tests/playback_renderer/frame_renderer_fixture.h"

namespace quela::test {
namespace {

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
