// The sink in real pipelines (formats, video meta, short frames, reuse), its quality
// figures, and a frame waiting for FrameLock, which must never hold up a flush or the teardown.
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "playback/convert/frame_converter.h"
#include "playback/sink/d2d_video_render.h"
#include "playback/sink/frame_renderer_sink.h"
#include "playback/sink/renderer_quality.h"
#include "playback/sink/video_sink_element.h"
#include "tests/support/log_capture.h"
#include "tests/support/play_until_end.h"

namespace quela::test {
namespace {

using Bgra = std::array<int, 4>;

struct RecordedFrame {
  FrameFormat format;
  std::vector<std::uint8_t> bgra;  // width x 4 bytes per row, no padding
  const std::uint8_t* source = nullptr;
  std::ptrdiff_t stride = 0;

  Bgra At(int x, int y) const {
    const std::uint8_t* p = bgra.data() + (static_cast<std::size_t>(y) * format.width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
  }
};

// Keeps a copy of every frame: optionally slow, to make the sink drop frames, or, from the
// blockFrom-th call on, blocking until Unblock and skipping, as one waiting for FrameLock.
class RecordingRenderer : public FrameRendererSink {
 public:
  explicit RecordingRenderer(std::chrono::milliseconds drawTime = {}, int blockFrom = INT_MAX)
      : drawTime_(drawTime), blockFrom_(blockFrom) {}

  void MediaTypeChanged(const FrameFormat& format) override {
    std::lock_guard lock(mutex_);
    formats_.push_back(format);
  }
  DrawResult DrawFrame(const std::uint8_t* bgra, std::ptrdiff_t stride, const FrameFormat& format) override {
    std::unique_lock lock(mutex_);
    if (calls_++ >= blockFrom_) {
      waiting_ = true;
      changed_.notify_all();
      changed_.wait(lock, [&] { return unblocked_; });
      waiting_ = false;
      return DrawResult::kSkipped;
    }
    lock.unlock();
    RecordedFrame frame{format, {}, bgra, stride};
    const std::size_t rowBytes = static_cast<std::size_t>(format.width) * 4;
    frame.bgra.resize(rowBytes * format.height);
    for (int y = 0; y < format.height; ++y) std::memcpy(frame.bgra.data() + y * rowBytes, bgra + y * stride, rowBytes);
    std::this_thread::sleep_for(drawTime_);  // what drawing costs
    lock.lock();
    frames_.push_back(std::move(frame));
    changed_.notify_all();
    return DrawResult::kDrawn;
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
  std::vector<RecordedFrame> Frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
  }
  std::vector<FrameFormat> Formats() const {
    std::lock_guard lock(mutex_);
    return formats_;
  }

 private:
  const std::chrono::milliseconds drawTime_;
  const int blockFrom_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<RecordedFrame> frames_;
  std::vector<FrameFormat> formats_;
  int calls_ = 0;
  bool waiting_ = false;
  bool unblocked_ = false;
};

class TestPipeline {
 public:
  // description names the sink "sink" ("... ! quelavideosink name=sink").
  explicit TestPipeline(const std::string& description) {
    EXPECT_TRUE(RegisterVideoSinkClass());
    GError* error = nullptr;
    pipeline_ = gst_parse_launch(description.c_str(), &error);
    if (error) {
      ADD_FAILURE() << description << ": " << error->message;
      g_error_free(error);
    }
  }
  ~TestPipeline() {
    Stop();
    if (pipeline_) gst_object_unref(pipeline_);
  }
  TestPipeline(const TestPipeline&) = delete;
  TestPipeline& operator=(const TestPipeline&) = delete;

  GstElement* get() const { return pipeline_; }
  // Ends streaming; call it before a frame renderer the sink uses goes away.
  void Stop() {
    if (pipeline_) gst_element_set_state(pipeline_, GST_STATE_NULL);
  }
  GstElement* Element(const char* name) const {  // a borrowed pointer; the pipeline keeps the element
    GstElement* element = gst_bin_get_by_name(GST_BIN(pipeline_), name);
    if (element) gst_object_unref(element);
    return element;
  }
  CD2DVideoRender* Sink() const { return VideoRendererOf(Element("sink")); }

  // Plays until EOS or ERROR and returns which; GST_MESSAGE_UNKNOWN after 20 s.
  GstMessageType Run() {
    return pipeline_ ? PlayUntilEnd(pipeline_, 20 * GST_SECOND) : GST_MESSAGE_UNKNOWN;
  }

 private:
  GstElement* pipeline_ = nullptr;
};

// The frame videotestsrc's bars give in one format at 33 x 17.
RecordedFrame TestSourceFrame(const char* format) {
  RecordingRenderer renderer;
  TestPipeline pipeline(std::string("videotestsrc num-buffers=1 pattern=smpte ! video/x-raw,format=") + format +
                        ",width=33,height=17 ! quelavideosink name=sink sync=false");
  if (!pipeline.Sink()) return {};
  pipeline.Sink()->SetFrameRenderer(&renderer);
  EXPECT_EQ(pipeline.Run(), GST_MESSAGE_EOS);
  const auto frames = renderer.Frames();
  return frames.empty() ? RecordedFrame{} : frames.back();
}

// Each caps format is read as its own layout and arrives upright: the bars of every
// format match the BGRx ones at the top (yellow) and the bottom (white) of the picture.
TEST(SinkPipelineTest, EveryFormatArrivesAsUprightBgra) {
  const RecordedFrame bars = TestSourceFrame("BGRx");
  ASSERT_EQ(bars.format.width, 33);
  const Bgra top = bars.At(6, 1), bottom = bars.At(6, 15);
  ASSERT_GT(std::max({std::abs(top[0] - bottom[0]), std::abs(top[1] - bottom[1]), std::abs(top[2] - bottom[2])}), 60);
  for (const auto& [caps, format] : {std::pair{"NV12", PixelFormat::kNV12}, {"YV12", PixelFormat::kYV12},
                                     {"I420", PixelFormat::kI420}, {"YUY2", PixelFormat::kYUY2},
                                     {"RGB15", PixelFormat::kRGB555}, {"RGB16", PixelFormat::kRGB565},
                                     {"BGR", PixelFormat::kRGB24}, {"BGRx", PixelFormat::kRGB32}}) {
    SCOPED_TRACE(caps);
    const RecordedFrame frame = TestSourceFrame(caps);
    ASSERT_EQ(frame.format.pixelFormat, format);
    ASSERT_EQ(frame.format.height, 17);
    EXPECT_FALSE(frame.format.bottomUp);
    for (const auto& [y, expected] : {std::pair{1, top}, {15, bottom}})
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(frame.At(6, y)[c], expected[c], 24) << "row " << y << " byte " << c;
    // RGB32 frames are drawn as they come; their fourth byte is padding.
    if (format != PixelFormat::kRGB32) { EXPECT_EQ(frame.At(6, 1)[3], 255); }
  }
}

// One plane of a hand-made frame.
struct PlaneLayout {
  int rowBytes, rows, stride;
  std::size_t offset;
};

// A buffer of size bytes holding a pattern of plane index and position at the layout's
// strides and offsets, as far as it reaches; padding is 0xEE, which no correct read uses.
GstBuffer* MakeFrame(const std::vector<PlaneLayout>& planes, std::size_t size) {
  GstBuffer* buffer = gst_buffer_new_allocate(nullptr, size, nullptr);
  GstMapInfo map;
  gst_buffer_map(buffer, &map, GST_MAP_WRITE);
  std::memset(map.data, 0xEE, map.size);
  for (std::size_t p = 0; p < planes.size(); ++p)
    for (int y = 0; y < planes[p].rows; ++y)
      for (int x = 0; x < planes[p].rowBytes; ++x)
        if (const std::size_t at = planes[p].offset + static_cast<std::size_t>(y) * planes[p].stride + x; at < map.size)
          map.data[at] = static_cast<std::uint8_t>(40 + p * 50 + x * 7 + y * 13);
  gst_buffer_unmap(buffer, &map);
  return buffer;
}

void AddMeta(GstBuffer* buffer, GstVideoFormat format, int width, int height, const std::vector<PlaneLayout>& planes) {
  gsize offsets[GST_VIDEO_MAX_PLANES] = {};
  gint strides[GST_VIDEO_MAX_PLANES] = {};
  for (std::size_t p = 0; p < planes.size(); ++p) {
    offsets[p] = planes[p].offset;
    strides[p] = planes[p].stride;
  }
  gst_buffer_add_video_meta_full(buffer, GST_VIDEO_FRAME_FLAG_NONE, format, width, height,
                                 static_cast<guint>(planes.size()), offsets, strides);
}

// The converter's frame from the buffer read at the layout's strides and offsets.
std::vector<std::uint8_t> ExpectedBgra(const FrameFormat& format, GstBuffer* buffer,
                                       const std::vector<PlaneLayout>& planes) {
  GstMapInfo map;
  gst_buffer_map(buffer, &map, GST_MAP_READ);
  FramePlanes frame;
  for (std::size_t p = 0; p < planes.size(); ++p) {
    frame.data[p] = map.data + planes[p].offset;
    frame.stride[p] = planes[p].stride;
  }
  FrameConverter converter;
  EXPECT_TRUE(converter.Setup(format));
  const std::uint8_t* out = converter.Convert(frame);
  std::vector<std::uint8_t> bgra;
  if (out) bgra.assign(out, out + static_cast<std::size_t>(format.width) * format.height * 4);
  gst_buffer_unmap(buffer, &map);
  return bgra;
}

class AppSrcPipeline : public TestPipeline {
 public:
  AppSrcPipeline() : TestPipeline("appsrc name=src format=time ! quelavideosink name=sink sync=false") {
    if (Sink()) Sink()->SetFrameRenderer(&renderer);
  }
  ~AppSrcPipeline() { Stop(); }
  void Push(const std::string& caps, GstBuffer* buffer, GstClockTime pts) {
    GstCaps* c = gst_caps_from_string(caps.c_str());
    g_object_set(Element("src"), "caps", c, nullptr);
    gst_caps_unref(c);
    GST_BUFFER_PTS(buffer) = pts;
    GST_BUFFER_DURATION(buffer) = 40 * GST_MSECOND;
    gst_app_src_push_buffer(GST_APP_SRC(Element("src")), buffer);
  }
  GstMessageType Finish() {
    gst_app_src_end_of_stream(GST_APP_SRC(Element("src")));
    return Run();
  }
  RecordingRenderer renderer;
};

std::string Caps(const char* format, int width, int height) {
  return std::string("video/x-raw,format=") + format + ",width=" + std::to_string(width) + ",height=" +
         std::to_string(height) + ",framerate=25/1";
}

// Two frames pushed with their caps: drawn as read at their video meta's strides and offsets,
// dropped with one log line when shorter than their caps, or refused with their caps.
TEST(SinkPipelineTest, FramesAreReadAtTheirMetaDroppedWhenShortRefusedWithTheirCaps) {
  enum Outcome { kDrawn, kDropped, kRefused };
  struct Case {
    const char* caps;
    PixelFormat format;
    int width, height;
    std::vector<PlaneLayout> planes;  // with a video meta when not empty
    std::size_t size;
    Outcome outcome;
  };
  const Case cases[] = {
      // The I420 planes lie in memory as V, U, Y, the chroma planes at strides of their own.
      {"I420", PixelFormat::kI420, 33, 17, {{33, 17, 40, 800}, {17, 9, 24, 0}, {17, 9, 20, 300}}, 1500, kDrawn},
      // NV12 packed tighter than GStreamer's own layout (867 of its 936 bytes).
      {"NV12", PixelFormat::kNV12, 33, 17, {{33, 17, 33, 0}, {34, 9, 34, 561}}, 867, kDrawn},
      {"BGR", PixelFormat::kRGB24, 33, 17, {{99, 17, 112, 8}}, 1920, kDrawn},
      // Padded RGB32 is copied; unpadded RGB32 is drawn from the buffer's own bytes.
      {"BGRx", PixelFormat::kRGB32, 33, 17, {{132, 17, 160, 0}}, 2720, kDrawn},
      {"BGRx", PixelFormat::kRGB32, 33, 17, {{132, 17, 132, 0}}, 132 * 17, kDrawn},
      // No meta, one byte short; the last chroma row one byte short.
      {"BGRx", PixelFormat::kRGB32, 33, 17, {}, 132 * 17 - 1, kDropped},
      {"I420", PixelFormat::kI420, 33, 17, {{33, 17, 64, 0}, {17, 9, 32, 1088}, {17, 9, 32, 1376}},
       1376 + 8 * 32 + 17 - 1, kDropped},
      {"UYVY", PixelFormat::kYUY2, 33, 17, {}, 33 * 17 * 4, kRefused},
      {"BGRx", PixelFormat::kRGB32, kMaxFrameSide + 1, 2, {}, 33 * 17 * 4, kRefused},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << &c - cases << ": " << c.caps);
    LogCapture log;
    AppSrcPipeline pipeline;
    GstBuffer* frame = MakeFrame(c.planes, c.size);
    if (!c.planes.empty()) AddMeta(frame, gst_video_format_from_string(c.caps), c.width, c.height, c.planes);
    std::vector<std::uint8_t> expected;
    if (c.outcome == kDrawn) expected = ExpectedBgra({c.format, c.width, c.height}, frame, c.planes);
    GstBuffer* kept = gst_buffer_ref(frame);
    pipeline.Push(Caps(c.caps, c.width, c.height), gst_buffer_copy_deep(frame), 0);
    pipeline.Push(Caps(c.caps, c.width, c.height), frame, 40 * GST_MSECOND);
    ASSERT_EQ(pipeline.Finish(), c.outcome == kRefused ? GST_MESSAGE_ERROR : GST_MESSAGE_EOS);
    const auto frames = pipeline.renderer.Frames();
    const QualityFigures figures = pipeline.Sink()->Figures();
    EXPECT_EQ(log.Count("Video frame dropped"), c.outcome == kDropped ? 1u : 0u);  // once per format, not per frame
    EXPECT_EQ(figures.framesDrawn, c.outcome == kDrawn ? 2 : 0);
    if (c.outcome == kDropped) { EXPECT_GE(figures.framesDropped, 2); }  // the preroll attempt may count a third time
    ASSERT_EQ(frames.empty(), c.outcome != kDrawn);
    if (c.outcome == kDrawn) {
      EXPECT_EQ(frames.back().bgra, expected);
      EXPECT_EQ(frames.back().stride, 33 * 4);
      GstMapInfo map;
      ASSERT_TRUE(gst_buffer_map(kept, &map, GST_MAP_READ));
      EXPECT_EQ(frames.back().source == map.data, c.format == PixelFormat::kRGB32 && c.planes[0].stride == 132);
      gst_buffer_unmap(kept, &map);
    }
    gst_buffer_unref(kept);
  }
}

// One sink played in one file after another, its format changing from BGRx to I420 between them.
TEST(SinkPipelineTest, OneSinkServesOnePipelineAfterAnother) {
  ASSERT_TRUE(RegisterVideoSinkClass());
  RecordingRenderer renderer;
  ElementRef sink = CreateVideoSink();
  ASSERT_TRUE(sink);
  CD2DVideoRender* render = VideoRendererOf(sink.get());
  ASSERT_NE(render, nullptr);
  render->SetFrameRenderer(&renderer);
  g_object_set(sink.get(), "sync", FALSE, nullptr);
  const std::pair<const char*, int> files[] = {  // source, frames
      {"videotestsrc num-buffers=3 ! video/x-raw,format=BGRx,width=33,height=17", 3},
      {"videotestsrc num-buffers=5 ! video/x-raw,format=I420,width=20,height=10", 5}};
  for (const auto& [source, count] : files) {
    SCOPED_TRACE(source);
    TestPipeline pipeline(std::string(source) + " ! identity name=last");
    ASSERT_TRUE(gst_bin_add(GST_BIN(pipeline.get()), sink.get()));
    ASSERT_TRUE(gst_element_link(pipeline.Element("last"), sink.get()));
    EXPECT_EQ(pipeline.Run(), GST_MESSAGE_EOS);
    // The preroll frame is shown twice and counted once; counts start again with each file.
    EXPECT_EQ(render->Figures().framesDrawn, count);
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    ASSERT_TRUE(gst_bin_remove(GST_BIN(pipeline.get()), sink.get()));
  }
  EXPECT_EQ(renderer.Formats().size(), 2u);
  EXPECT_TRUE(VideoSinkFactoryFound());
}

TEST(RendererQualityTest, FiguresFollowTheClassicArithmetic) {
  enum Kind { kStart, kStop, kDraw, kDrop };
  struct Case {
    const char* name;
    std::vector<std::pair<Kind, std::int64_t>> events;  // at ms
    std::int64_t nowMs;
    QualityFigures expected;
  };
  const Case cases[] = {
      {"nothing played", {}, 500, {0, 0, 0, 0}},
      {"alternating 30 and 50 ms", {{kStart, 0}, {kDraw, 0}, {kDraw, 30}, {kDraw, 80}, {kDraw, 110}, {kDraw, 160}}, 200,
       {5, 0, 2500, 10}},
      {"a pause counts neither as playing time nor as an interval",
       {{kStart, 0}, {kDraw, 0}, {kDraw, 40}, {kStop, 80}, {kStart, 1080}, {kDraw, 1080}, {kDraw, 1120}}, 1160,
       {4, 0, 2500, 0}},
      {"figures stand still while paused", {{kStart, 0}, {kDraw, 0}, {kDraw, 40}, {kStop, 100}}, 5000, {2, 0, 2000, 0}},
  };
  constexpr std::int64_t kMs = 1000000;  // ns
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RendererQuality quality;
    quality.Reset();
    for (const auto& [kind, ms] : c.events) {
      switch (kind) {
        case kStart: quality.StartStreaming(ms * kMs); break;
        case kStop: quality.StopStreaming(ms * kMs); break;
        case kDraw: quality.FrameDrawn(ms * kMs); break;
        case kDrop: quality.FramesDropped(1); break;
      }
    }
    const QualityFigures f = quality.Figures(c.nowMs * kMs);
    EXPECT_EQ(f.framesDrawn, c.expected.framesDrawn);
    EXPECT_EQ(f.framesDropped, c.expected.framesDropped);
    EXPECT_EQ(f.averageFrameRate, c.expected.averageFrameRate);
    EXPECT_EQ(f.jitter, c.expected.jitter);
  }
}

// 100 frames a second against 25 ms per draw: most frames are late. The rate is counted from
// the start of playing on the sink's clock.
TEST(SinkStatisticsTest, EveryFrameIsEitherDrawnOrDroppedAtARateOnTheClock) {
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
  EXPECT_GT(figures.averageFrameRate, 0);
  EXPECT_LE(figures.averageFrameRate, 4100);  // at most one frame per 25 ms draw
}

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
    auto* renderer = new RecordingRenderer({}, blockFrom);
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
