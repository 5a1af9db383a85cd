// Negotiation: the checks of CheckMediaType and SetMediaType, and the media
// type read from caps.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include "playback/sink/d2d_video_render.h"
#include "playback/sink/media_type_caps.h"
#include "tests/playback_sink/recording_renderer.h"

namespace quela::test {
namespace {

MediaType Video(PixelFormat format, int width = 64, int height = 32) {
  MediaType type;
  type.subtype = format;
  type.format = VideoHeader{kVideoHeaderSize, width, height};
  return type;
}

// The I420 type with one thing changed.
MediaType Changed(void (*change)(MediaType&)) {
  MediaType type = Video(PixelFormat::kI420);
  change(type);
  return type;
}

struct TypeCase {
  const char* name;
  MediaType type;
  HRESULT check;
  HRESULT set;
};

TEST(MediaTypeTest, CheckAndSetGiveTheirCodes) {
  const TypeCase cases[] = {
    {"I420", Video(PixelFormat::kI420), S_OK, S_OK},
    {"NV12 with interlacing", Changed([](MediaType& t) { t.subtype = PixelFormat::kNV12; t.formatType = FormatType::kVideoInfo2; }), S_OK, S_OK},
    {"odd RGB24", Video(PixelFormat::kRGB24, 33, 17), S_OK, S_OK},
    {"audio", Changed([](MediaType& t) { t.majorType = MajorType::kAudio; }), E_FAIL, S_OK},
    {"subtype outside the nine", Changed([](MediaType& t) { t.subtype.reset(); }), E_FAIL, E_FAIL},
    {"other format block", Changed([](MediaType& t) { t.formatType = FormatType::kOther; }), E_FAIL, E_INVALIDARG},
    {"no format block", Changed([](MediaType& t) { t.format.reset(); }), S_OK, E_INVALIDARG},
    {"header size 44", Changed([](MediaType& t) { t.format->biSize = 44; }), S_OK, E_INVALIDARG},
    {"zero width", Video(PixelFormat::kYUY2, 0, 32), S_OK, E_INVALIDARG},
    {"negative height", Video(PixelFormat::kRGB32, 64, -32), S_OK, E_INVALIDARG},
    {"side above the limit", Video(PixelFormat::kNV12, kMaxFrameSide + 1, 32), S_OK, E_INVALIDARG},
  };
  EXPECT_EQ(CheckMediaType(nullptr), E_POINTER);
  CD2DVideoRender render([] { return std::int64_t{0}; });
  EXPECT_EQ(render.SetMediaType(nullptr), E_POINTER);
  for (const TypeCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CheckMediaType(&c.type), c.check);
    RecordingRenderer renderer;
    render.SetFrameRenderer(&renderer);
    EXPECT_EQ(render.SetMediaType(&c.type), c.set);
    // A refused type is still the agreed one, but no frame of it is converted.
    EXPECT_EQ(render.AgreedType().format.has_value(), c.type.format.has_value());
    EXPECT_EQ(renderer.Formats().size(), c.set == S_OK ? 1u : 0u);
    static const std::uint8_t pixels[16384] = {};  // 64 rows of 256 bytes: every plane of every case
    const SampleResult result = render.DoRenderSample({{pixels, pixels, pixels}, {256, 256, 256}}, false);
    EXPECT_EQ(result, c.set == S_OK ? SampleResult::kDrawn : SampleResult::kNotNegotiated);
    render.SetFrameRenderer(nullptr);
  }
}

struct CapsCase {
  const char* caps;
  HRESULT check;
  std::optional<PixelFormat> subtype;
  bool hasFormat;
};

TEST(MediaTypeTest, CapsBecomeMediaTypes) {
  gst_init(nullptr, nullptr);
  const CapsCase cases[] = {
      {"video/x-raw, format=NV12, width=1920, height=1080", S_OK, PixelFormat::kNV12, true},
      {"video/x-raw, format=I420, width=2, height=2", S_OK, PixelFormat::kI420, true},
      {"video/x-raw, format=YUY2, width=2, height=2", S_OK, PixelFormat::kYUY2, true},
      {"video/x-raw, format=RGB15, width=2, height=2", S_OK, PixelFormat::kRGB555, true},
      {"video/x-raw, format=RGB16, width=2, height=2", S_OK, PixelFormat::kRGB565, true},
      {"video/x-raw, format=BGR, width=2, height=2", S_OK, PixelFormat::kRGB24, true},
      {"video/x-raw, format=BGRx, width=2, height=2", S_OK, PixelFormat::kRGB32, true},
      {"video/x-raw, format=BGRx, width=2, height=2, interlace-mode=interleaved", S_OK, PixelFormat::kRGB32, true},
      {"video/x-raw, format=UYVY, width=2, height=2", E_FAIL, std::nullopt, true},
      {"video/x-raw, format=BGRA, width=2, height=2", E_FAIL, std::nullopt, true},
      {"video/x-raw(memory:GLMemory), format=NV12, width=2, height=2", E_FAIL, PixelFormat::kNV12, true},
      {"video/x-h264, width=2, height=2", E_FAIL, std::nullopt, true},
      {"audio/x-raw, format=S16LE", E_FAIL, std::nullopt, false},
      {"video/x-raw, format=NV12, width=[1, 100], height=2", S_OK, PixelFormat::kNV12, false},
  };
  for (const CapsCase& c : cases) {
    SCOPED_TRACE(c.caps);
    GstCaps* caps = gst_caps_from_string(c.caps);
    ASSERT_NE(caps, nullptr);
    const MediaType type = MediaTypeFromCaps(caps);
    EXPECT_EQ(CheckMediaType(&type), c.check);
    EXPECT_EQ(type.subtype, c.subtype);
    EXPECT_EQ(type.format.has_value(), c.hasFormat);
    EXPECT_FALSE(type.bottomUp);
    gst_caps_unref(caps);
  }
  const MediaType none = MediaTypeFromCaps(nullptr);
  EXPECT_EQ(CheckMediaType(&none), E_FAIL);
}

}  // namespace
}  // namespace quela::test
