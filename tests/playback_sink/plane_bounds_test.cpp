// Whether a mapped frame holds the rows its format claims: the last row may
// stop at its own bytes, anything shorter is refused.
#include "playback/sink/plane_bounds.h"

#include <gtest/gtest.h>

namespace quela::test {
namespace {

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
