// Negotiation: the checks of CheckMediaType and SetMediaType, the media type
// read from caps, and whether a mapped frame holds the rows its format claims
// (the last row may stop at its own bytes, anything shorter is refused).
#include <gst/gst.h>
#include <gtest/gtest.h>

#include "playback/sink/d2d_video_render.h"
#include "playback/sink/frame_renderer_sink.h"
#include "playback/sink/media_type_caps.h"
#include "playback/sink/plane_bounds.h"

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

// Counts the formats it is told of and draws nothing.
struct FormatCounter : FrameRendererSink {
  std::size_t formats = 0;
  void MediaTypeChanged(const FrameFormat&) override { ++formats; }
  DrawResult DrawFrame(const std::uint8_t*, std::ptrdiff_t, const FrameFormat&) override { return DrawResult::kDrawn; }
  void Unblock() override {}
  void Resume() override {}
};

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
    FormatCounter renderer;
    render.SetFrameRenderer(&renderer);
    EXPECT_EQ(render.SetMediaType(&c.type), c.set);
    // A refused type is still the agreed one, but no frame of it is converted.
    EXPECT_EQ(render.AgreedType().format.has_value(), c.type.format.has_value());
    EXPECT_EQ(renderer.formats, c.set == S_OK ? 1u : 0u);
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
      {"video/x-raw, format=BGRx, width=2, height=2, interlace-mode=interleaved", S_OK, PixelFormat::kRGB32, true},
      {"video/x-raw, format=BGRA, width=2, height=2", E_FAIL, std::nullopt, true},
      {"video/x-raw(memory:GLMemory), format=NV12, width=2, height=2", E_FAIL, PixelFormat::kNV12, true},
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

TEST(PlaneBoundsTest, PlanesMustEndInsideTheirMemory) {
  static std::uint8_t memory[4096];
  const MappedSpan all{memory, memory + sizeof memory};
  struct Case {
    const char* name;
    FrameFormat format;
    FramePlanes planes;
    std::size_t mappedBytes;  // of plane 0's span; the others map the whole memory
    bool fits;
  };
  const Case cases[] = {
      // 33 x 17 I420: luma 17 rows, chroma 9 rows of 17 bytes.
      {"I420 exact", {PixelFormat::kI420, 33, 17}, {{memory, memory + 1000, memory + 2000}, {36, 20, 20}}, 16 * 36 + 33, true},
      {"I420 luma one byte short", {PixelFormat::kI420, 33, 17}, {{memory, memory + 1000, memory + 2000}, {36, 20, 20}}, 16 * 36 + 32, false},
      {"I420 chroma past the end", {PixelFormat::kI420, 33, 17}, {{memory, memory + 1000, memory + 4096 - 8 * 20 - 16}, {36, 20, 20}}, 4096, false},
      {"I420 stride below a row", {PixelFormat::kI420, 33, 17}, {{memory, memory + 1000, memory + 2000}, {32, 20, 20}}, 4096, false},
      {"I420 missing plane", {PixelFormat::kI420, 33, 17}, {{memory, memory + 1000, nullptr}, {36, 20, 20}}, 4096, false},
      {"NV12 odd: 2 x 17 chroma bytes", {PixelFormat::kNV12, 33, 17}, {{memory, memory + 1000}, {33, 34}}, 4096, true},
      {"NV12 chroma stride 33", {PixelFormat::kNV12, 33, 17}, {{memory, memory + 1000}, {33, 33}}, 4096, false},
      {"YUY2 odd width reads whole pairs", {PixelFormat::kYUY2, 33, 1}, {{memory}, {68}}, 68, true},
      {"YUY2 odd width, one pair short", {PixelFormat::kYUY2, 33, 1}, {{memory}, {68}}, 67, false},
      {"RGB24 padded rows, last row short", {PixelFormat::kRGB24, 5, 3}, {{memory}, {16}}, 2 * 16 + 15, true},
      {"RGB32 plane outside its memory", {PixelFormat::kRGB32, 4, 4}, {{memory + 64}, {16}}, 64, false},
      {"RGB32 huge stride", {PixelFormat::kRGB32, 4, 4}, {{memory}, {PTRDIFF_MAX / 2}}, 4096, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const MappedSpan spans[3] = {{memory, memory + c.mappedBytes}, all, all};
    EXPECT_EQ(PlanesWithinMapping(c.format, c.planes, spans), c.fits);
  }
}

}  // namespace
}  // namespace quela::test
