// The sink in real pipelines: formats, video meta, short frames, caps changes, reuse.
#include <gst/app/gstappsrc.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "playback/convert/frame_converter.h"
#include "tests/playback_sink/recording_renderer.h"
#include "tests/playback_sink/test_pipeline.h"
#include "tests/support/log_capture.h"

namespace quela::test {
namespace {

struct FormatCase {
  const char* caps;
  PixelFormat format;
};

const FormatCase kFormats[] = {
    {"NV12", PixelFormat::kNV12},     {"YV12", PixelFormat::kYV12},     {"I420", PixelFormat::kI420},
    {"YUY2", PixelFormat::kYUY2},     {"RGB15", PixelFormat::kRGB555},  {"RGB16", PixelFormat::kRGB565},
    {"BGR", PixelFormat::kRGB24},     {"BGRx", PixelFormat::kRGB32},
};

bool Near(const Bgra& a, const Bgra& b, int tolerance) {
  return std::abs(a.b - b.b) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.r - b.r) <= tolerance;
}

std::string Show(const Bgra& p) {
  return "(" + std::to_string(p.b) + "," + std::to_string(p.g) + "," + std::to_string(p.r) + "," + std::to_string(p.a) + ")";
}

// The last frame a videotestsrc pattern gives in one format at 33 x 17.
RecordedFrame TestSourceFrame(const char* format, const char* pattern) {
  RecordingRenderer renderer;
  TestPipeline pipeline(std::string("videotestsrc num-buffers=1 ") + pattern + " ! video/x-raw,format=" + format +
                        ",width=33,height=17 ! quelavideosink name=sink sync=false");
  if (!pipeline.Sink()) return {};
  pipeline.Sink()->SetFrameRenderer(&renderer);
  EXPECT_EQ(pipeline.Run(), GST_MESSAGE_EOS);
  const auto frames = renderer.Frames();
  return frames.empty() ? RecordedFrame{} : frames.back();
}

// Each caps format is read as its own layout and arrives upright: the bars of every
// format match the BGRx ones at the top (yellow) and the bottom (white) of the picture.
// The exact values of each layout are checked by the hand-made frames below.
TEST(SinkPipelineTest, EveryFormatArrivesAsUprightBgra) {
  const RecordedFrame bars = TestSourceFrame("BGRx", "pattern=smpte");
  ASSERT_EQ(bars.format.width, 33);
  const Bgra top = bars.At(6, 1);
  const Bgra bottom = bars.At(6, 15);
  ASSERT_FALSE(Near(top, bottom, 60)) << "the bars must differ between top and bottom";
  for (const FormatCase& c : kFormats) {
    SCOPED_TRACE(c.caps);
    const RecordedFrame frame = TestSourceFrame(c.caps, "pattern=smpte");
    ASSERT_EQ(frame.format.pixelFormat, c.format);
    ASSERT_EQ(frame.format.height, 17);
    EXPECT_FALSE(frame.format.bottomUp);
    EXPECT_TRUE(Near(frame.At(6, 1), top, 24)) << Show(frame.At(6, 1)) << " at the top, expected " << Show(top);
    EXPECT_TRUE(Near(frame.At(6, 15), bottom, 24)) << Show(frame.At(6, 15)) << " at the bottom, expected " << Show(bottom);
    // RGB32 frames are drawn as they come; their fourth byte is padding.
    if (c.format != PixelFormat::kRGB32) {
      EXPECT_EQ(frame.At(6, 1).a, 255);
    }
  }
}

// One plane of a hand-made frame: its bytes are a pattern of the plane index
// and position; padding is 0xEE, which no correct read uses.
struct PlaneLayout {
  int rowBytes;
  int rows;
  int stride;
  std::size_t offset;
};

std::uint8_t Sample(int plane, int x, int y) { return static_cast<std::uint8_t>(40 + plane * 50 + x * 7 + y * 13); }

struct HandFrame {
  GstBuffer* buffer;                            // strides and offsets as laid out
  std::vector<std::vector<std::uint8_t>> tight;  // the same samples without padding
};

HandFrame MakeFrame(const std::vector<PlaneLayout>& planes, std::size_t size) {
  HandFrame frame{gst_buffer_new_allocate(nullptr, size, nullptr), {}};
  GstMapInfo map;
  gst_buffer_map(frame.buffer, &map, GST_MAP_WRITE);
  std::memset(map.data, 0xEE, map.size);
  for (std::size_t p = 0; p < planes.size(); ++p) {
    const PlaneLayout& l = planes[p];
    std::vector<std::uint8_t> tight(static_cast<std::size_t>(l.rowBytes) * l.rows);
    for (int y = 0; y < l.rows; ++y) {
      for (int x = 0; x < l.rowBytes; ++x) {
        const std::size_t at = l.offset + static_cast<std::size_t>(y) * l.stride + x;
        if (at < map.size) map.data[at] = Sample(static_cast<int>(p), x, y);
        tight[static_cast<std::size_t>(y) * l.rowBytes + x] = Sample(static_cast<int>(p), x, y);
      }
    }
    frame.tight.push_back(std::move(tight));
  }
  gst_buffer_unmap(frame.buffer, &map);
  return frame;
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

std::vector<std::uint8_t> ExpectedBgra(const FrameFormat& format, const HandFrame& frame,
                                       const std::vector<PlaneLayout>& planes) {
  FramePlanes tight;
  for (std::size_t p = 0; p < planes.size(); ++p) {
    tight.data[p] = frame.tight[p].data();
    tight.stride[p] = planes[p].rowBytes;
  }
  FrameConverter converter;
  EXPECT_TRUE(converter.Setup(format));
  const std::uint8_t* out = converter.Convert(tight);
  if (!out) return {};
  return {out, out + static_cast<std::size_t>(format.width) * format.height * 4};
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

TEST(SinkPipelineTest, PlanesAreReadAtTheStridesAndOffsetsOfTheirVideoMeta) {
  struct Case {
    const char* caps;
    GstVideoFormat gstFormat;
    PixelFormat format;
    std::vector<PlaneLayout> planes;
    std::size_t size;
  };
  // 33 x 17 frames; the I420 planes lie in memory as V, U, Y.
  const Case cases[] = {
      {"I420", GST_VIDEO_FORMAT_I420, PixelFormat::kI420, {{33, 17, 40, 800}, {17, 9, 24, 0}, {17, 9, 24, 300}}, 1500},
      {"YV12", GST_VIDEO_FORMAT_YV12, PixelFormat::kYV12, {{33, 17, 64, 0}, {17, 9, 32, 1100}, {17, 9, 20, 1500}}, 1700},
      {"NV12", GST_VIDEO_FORMAT_NV12, PixelFormat::kNV12, {{33, 17, 48, 0}, {34, 9, 40, 1000}}, 1400},
      {"YUY2", GST_VIDEO_FORMAT_YUY2, PixelFormat::kYUY2, {{68, 17, 80, 16}}, 1400},
      {"RGB16", GST_VIDEO_FORMAT_RGB16, PixelFormat::kRGB565, {{66, 17, 70, 0}}, 1190},
      {"BGR", GST_VIDEO_FORMAT_BGR, PixelFormat::kRGB24, {{99, 17, 112, 8}}, 1920},
      {"BGRx", GST_VIDEO_FORMAT_BGRx, PixelFormat::kRGB32, {{132, 17, 160, 0}}, 2720},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caps);
    AppSrcPipeline pipeline;
    HandFrame frame = MakeFrame(c.planes, c.size);
    AddMeta(frame.buffer, c.gstFormat, 33, 17, c.planes);
    const FrameFormat format{c.format, 33, 17};
    const std::vector<std::uint8_t> expected = ExpectedBgra(format, frame, c.planes);
    pipeline.Push(Caps(c.caps, 33, 17), frame.buffer, 0);
    ASSERT_EQ(pipeline.Finish(), GST_MESSAGE_EOS);
    const auto frames = pipeline.renderer.Frames();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.back().bgra, expected);
    EXPECT_EQ(frames.back().stride, 33 * 4);
  }
}

TEST(SinkPipelineTest, UnpaddedRgb32FramesReachTheRendererWithoutACopy) {
  AppSrcPipeline pipeline;
  const std::vector<PlaneLayout> planes = {{132, 17, 132, 0}};
  HandFrame frame = MakeFrame(planes, 132 * 17);
  GstBuffer* kept = gst_buffer_ref(frame.buffer);
  pipeline.Push(Caps("BGRx", 33, 17), frame.buffer, 0);
  ASSERT_EQ(pipeline.Finish(), GST_MESSAGE_EOS);
  GstMapInfo map;
  ASSERT_TRUE(gst_buffer_map(kept, &map, GST_MAP_READ));
  const auto frames = pipeline.renderer.Frames();
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.back().source, map.data);
  EXPECT_EQ(frames.back().stride, 132);
  gst_buffer_unmap(kept, &map);
  gst_buffer_unref(kept);
}

TEST(SinkPipelineTest, FramesSmallerThanTheirCapsAreDroppedWithALogLine) {
  struct Case {
    const char* name;
    const char* caps;
    GstVideoFormat gstFormat;
    std::vector<PlaneLayout> planes;  // with a video meta when not empty
    std::size_t size;
  };
  const Case cases[] = {
      {"no meta, one byte short", "BGRx", GST_VIDEO_FORMAT_BGRx, {}, 132 * 17 - 1},
      {"meta: last chroma row one byte short", "I420", GST_VIDEO_FORMAT_I420,
       {{33, 17, 64, 0}, {17, 9, 32, 1088}, {17, 9, 32, 1376}}, 1376 + 8 * 32 + 17 - 1},
      {"meta: stride wider than the memory", "BGRx", GST_VIDEO_FORMAT_BGRx, {{132, 17, 4000, 0}}, 132 * 17},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    AppSrcPipeline pipeline;
    for (int i = 0; i < 2; ++i) {
      GstBuffer* buffer = gst_buffer_new_allocate(nullptr, c.size, nullptr);
      gst_buffer_memset(buffer, 0, 0x55, c.size);
      if (!c.planes.empty()) AddMeta(buffer, c.gstFormat, 33, 17, c.planes);
      pipeline.Push(Caps(c.caps, 33, 17), buffer, i * 40 * GST_MSECOND);
    }
    ASSERT_EQ(pipeline.Finish(), GST_MESSAGE_EOS);
    EXPECT_TRUE(pipeline.renderer.Frames().empty());
    const QualityFigures figures = pipeline.Sink()->Figures();
    EXPECT_EQ(figures.framesDrawn, 0);
    EXPECT_GE(figures.framesDropped, 2);  // the preroll attempt may count a third time
    EXPECT_EQ(log.Count("Video frame dropped"), 1u);  // once per format, not once per frame
  }
}

TEST(SinkPipelineTest, CapsChangeMidStreamSetsUpTheNewFormat) {
  AppSrcPipeline pipeline;
  const std::vector<PlaneLayout> rgb = {{132, 17, 132, 0}};
  const std::vector<PlaneLayout> yuv = {{20, 10, 20, 0}, {10, 5, 10, 200}, {10, 5, 10, 250}};
  HandFrame first = MakeFrame(rgb, 132 * 17);
  HandFrame second = MakeFrame(yuv, 300);
  AddMeta(second.buffer, GST_VIDEO_FORMAT_I420, 20, 10, yuv);  // tighter than GStreamer's own chroma stride of 12
  const std::vector<std::uint8_t> expected = ExpectedBgra({PixelFormat::kI420, 20, 10}, second, yuv);
  pipeline.Push(Caps("BGRx", 33, 17), first.buffer, 0);
  pipeline.Push(Caps("I420", 20, 10), second.buffer, 40 * GST_MSECOND);
  ASSERT_EQ(pipeline.Finish(), GST_MESSAGE_EOS);
  const auto formats = pipeline.renderer.Formats();
  ASSERT_EQ(formats.size(), 2u);
  EXPECT_EQ(formats[1].pixelFormat, PixelFormat::kI420);
  const auto frames = pipeline.renderer.Frames();
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.back().format.width, 20);
  EXPECT_EQ(frames.back().bgra, expected);
  EXPECT_EQ(pipeline.Sink()->Figures().framesDrawn, 2);
}

TEST(SinkPipelineTest, RefusedCapsEndInAnErrorWithoutFrames) {
  const std::string refused[] = {Caps("UYVY", 33, 17), Caps("BGRx", kMaxFrameSide + 1, 2)};
  for (const std::string& caps : refused) {
    SCOPED_TRACE(caps);
    AppSrcPipeline pipeline;
    pipeline.Push(caps, gst_buffer_new_allocate(nullptr, 33 * 17 * 4, nullptr), 0);
    EXPECT_EQ(pipeline.Finish(), GST_MESSAGE_ERROR);
    EXPECT_TRUE(pipeline.renderer.Frames().empty());
  }
}

TEST(SinkPipelineTest, OneSinkServesOnePipelineAfterAnother) {
  ASSERT_TRUE(RegisterVideoSinkClass());
  RecordingRenderer renderer;
  ElementRef sink = CreateVideoSink();
  ASSERT_TRUE(sink);
  EXPECT_STREQ(GST_OBJECT_NAME(sink.get()), kVideoSinkName);
  CD2DVideoRender* render = VideoRendererOf(sink.get());
  ASSERT_NE(render, nullptr);
  render->SetFrameRenderer(&renderer);
  render->SetUserValue(5);
  g_object_set(sink.get(), "sync", FALSE, nullptr);
  const struct {
    const char* source;
    int frames;
  } files[] = {{"videotestsrc num-buffers=3 ! video/x-raw,format=BGRx,width=33,height=17", 3},
               {"videotestsrc num-buffers=5 ! video/x-raw,format=I420,width=20,height=10", 5}};
  for (const auto& file : files) {
    SCOPED_TRACE(file.source);
    TestPipeline pipeline(std::string(file.source) + " ! identity name=last");
    ASSERT_TRUE(gst_bin_add(GST_BIN(pipeline.get()), sink.get()));
    ASSERT_TRUE(gst_element_link(pipeline.Element("last"), sink.get()));
    EXPECT_EQ(pipeline.Run(), GST_MESSAGE_EOS);
    // The preroll frame is shown twice and counted once; counts start again with each file.
    EXPECT_EQ(render->Figures().framesDrawn, file.frames);
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    ASSERT_TRUE(gst_bin_remove(GST_BIN(pipeline.get()), sink.get()));
  }
  EXPECT_EQ(renderer.Formats().size(), 2u);
  EXPECT_EQ(render->GetUserValue(), 5);
  EXPECT_TRUE(VideoSinkFactoryFound());
}

}  // namespace
}  // namespace quela::test
