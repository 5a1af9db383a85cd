// A frame waiting for FrameLock must never hold up a flush or the pipeline's
// teardown: the sink wakes the frame renderer, which gives the frame up.
#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "tests/playback_sink/test_pipeline.h"

namespace quela::test {
namespace {

// Blocks every frame from the blockFrom-th on until Unblock, as a DrawFrame
// waiting for a FrameLock that the main thread holds would.
class BlockingRenderer : public FrameRendererSink {
 public:
  explicit BlockingRenderer(int blockFrom) : blockFrom_(blockFrom) {}

  void MediaTypeChanged(const FrameFormat&) override {}
  DrawResult DrawFrame(const std::uint8_t*, std::ptrdiff_t, const FrameFormat&) override {
    std::unique_lock lock(mutex_);
    if (frames_++ < blockFrom_) return DrawResult::kDrawn;
    waiting_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return unblocked_; });
    waiting_ = false;
    return DrawResult::kSkipped;
  }
  void Unblock() override {
    std::lock_guard lock(mutex_);
    unblocked_ = true;
    changed_.notify_all();
  }
  void Resume() override {
    std::lock_guard lock(mutex_);
    unblocked_ = false;
  }
  bool WaitUntilBlocked() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return waiting_; });
  }

 private:
  const int blockFrom_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int frames_ = 0;
  bool waiting_ = false;
  bool unblocked_ = false;
};

// Runs a state change or seek on a thread of its own; false when it hangs,
// leaving the thread behind so that the test can still report.
template <typename Call>
bool Returns(Call call) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  std::thread([done, call] {
    call();
    done->set_value();
  }).detach();
  return finished.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
}

TEST(SinkUnlockTest, BlockedFramesNeverHoldUpFlushesOrTeardown) {
  for (int round = 0; round < 30; ++round) {
    SCOPED_TRACE(round);
    // Blocked in preroll, in the first frame played, or later; every other round flushes first.
    const int blockFrom = round % 3;
    // Both are left alive when a call hangs: the stuck streaming thread still uses them.
    auto* pipeline = new TestPipeline(
        "videotestsrc is-live=false ! video/x-raw,format=BGRx,width=32,height=16,framerate=200/1 ! "
        "quelavideosink name=sink");
    auto* renderer = new BlockingRenderer(blockFrom);
    ASSERT_NE(pipeline->Sink(), nullptr);
    pipeline->Sink()->SetFrameRenderer(renderer);
    GstElement* element = pipeline->get();
    gst_element_set_state(element, GST_STATE_PLAYING);
    ASSERT_TRUE(renderer->WaitUntilBlocked());
    if (round % 2 == 1 && blockFrom > 0) {
      ASSERT_TRUE(Returns([element] {
        gst_element_seek_simple(element, GST_FORMAT_TIME, GstSeekFlags(GST_SEEK_FLAG_FLUSH), 0);
      })) << "a flushing seek hung";
      ASSERT_TRUE(renderer->WaitUntilBlocked());
    }
    ASSERT_TRUE(Returns([element] { gst_element_set_state(element, GST_STATE_NULL); }))
        << "setting the pipeline to NULL hung";
    delete pipeline;
    delete renderer;
  }
}

}  // namespace
}  // namespace quela::test
