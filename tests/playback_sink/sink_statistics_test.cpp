// The quality figures, on given times and from real pipelines; and a frame waiting
// for FrameLock, which must never hold up a flush or the pipeline's teardown.
#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "playback/convert/video_stats.h"
#include "playback/sink/renderer_quality.h"
#include "tests/playback_sink/recording_renderer.h"
#include "tests/playback_sink/test_pipeline.h"

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

TEST(SinkStatisticsTest, EveryFrameIsEitherDrawnOrDropped) {
  // 100 frames a second against 25 ms per draw: most frames are late.
  RecordingRenderer renderer(std::chrono::milliseconds(25));
  TestPipeline pipeline(
      "videotestsrc num-buffers=30 ! video/x-raw,format=BGRx,width=32,height=16,framerate=100/1 ! "
      "quelavideosink name=sink");
  ASSERT_NE(pipeline.Sink(), nullptr);
  pipeline.Sink()->SetFrameRenderer(&renderer);
  ASSERT_EQ(pipeline.Run(), GST_MESSAGE_EOS);
  const QualityFigures figures = pipeline.Sink()->Figures();
  EXPECT_GT(figures.framesDropped, 0);
  EXPECT_GT(figures.framesDrawn, 0);
  EXPECT_EQ(figures.framesDrawn + figures.framesDropped, 30);
}

TEST(SinkStatisticsTest, AverageRateFollowsALiveSource) {
  RecordingRenderer renderer;
  TestPipeline pipeline(
      "videotestsrc is-live=true ! video/x-raw,format=BGRx,width=32,height=16,framerate=30/1 ! "
      "quelavideosink name=sink");
  CD2DVideoRender* sink = pipeline.Sink();
  ASSERT_NE(sink, nullptr);
  sink->SetFrameRenderer(&renderer);
  gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
  ASSERT_TRUE(renderer.WaitForFrames(31));  // the preroll frame and 30 more
  const QualityFigures figures = sink->Figures();
  StatsRequest.store(true);
  ASSERT_TRUE(renderer.WaitForFrames(33));
  gst_element_set_state(pipeline.get(), GST_STATE_PAUSED);
  // The rate runs from the start of playing to now, so it is near but not exactly 30 fps.
  EXPECT_GT(figures.averageFrameRate, 2400);
  EXPECT_LT(figures.averageFrameRate, 3300);
  EXPECT_GE(figures.jitter, 0);
  EXPECT_LT(figures.jitter, 34);  // below one frame interval
  // The statistics text asked: the next drawn frame answered.
  EXPECT_FALSE(StatsRequest.load());
  EXPECT_GT(videoStats.averageFrameRate.load(), 0);
  EXPECT_GE(videoStats.framesDropped.load(), 0);
  EXPECT_GE(videoStats.jitter.load(), 0);

  // Pausing keeps the figures: they belong to the file, not to the stretch of playing.
  ASSERT_NE(gst_element_get_state(pipeline.get(), nullptr, nullptr, 5 * GST_SECOND), GST_STATE_CHANGE_FAILURE);
  EXPECT_GE(sink->Figures().framesDrawn, figures.framesDrawn);
}

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
