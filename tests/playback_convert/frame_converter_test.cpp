// FrameConverter: plane wiring, row padding, odd sizes on the OpenCV paths, and
// the frames it refuses. The kernels' values are proven in convert_kernels_test.
#include "playback/convert/frame_converter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <opencv2/imgproc.hpp>

#include "tests/playback_convert/reference_conversion.h"
#include "tests/playback_convert/test_frames.h"

namespace quela::test {
namespace {

constexpr PixelFormat kAllFormats[] = {PixelFormat::kNV12,   PixelFormat::kYV12,   PixelFormat::kI420,
                                       PixelFormat::kIYUV,   PixelFormat::kYUY2,   PixelFormat::kRGB555,
                                       PixelFormat::kRGB565, PixelFormat::kRGB24,  PixelFormat::kRGB32};

// Luma bytes 0-7, Cb at 8 and 9, Cr at 10 and 11: each 2 x 2 block reads one Cb and one Cr.
TEST(FrameConverterTest, I420FourByTwoReadsOneChromaPairPerBlock) {
  const std::uint8_t sample[12] = {16, 60, 100, 140, 180, 220, 235, 255, 90, 200, 240, 30};
  FrameConverter converter;
  ASSERT_TRUE(converter.Setup({PixelFormat::kI420, 4, 2}));
  const std::uint8_t* out = converter.Convert({{sample, sample + 8, sample + 10}, {4, 2, 2}});
  ASSERT_NE(out, nullptr);
  for (int row = 0; row < 2; ++row) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(PixelAt(out, 16, x, row), ReferenceYuv(sample[row * 4 + x], sample[8 + x / 2], sample[10 + x / 2]))
          << x << ", " << row;
    }
  }
}

// The same picture with and without row padding converts to the same frame;
// for YV12 that also compares OpenCV's own layout with the interleaving path.
TEST(FrameConverterTest, RowPaddingNeverReachesThePicture) {
  for (PixelFormat format : kAllFormats) {
    for (const auto& [w, h] : {std::pair{7, 5}, std::pair{32, 18}}) {
      SCOPED_TRACE(testing::Message() << "format " << static_cast<int>(format) << ", " << w << " x " << h);
      const TestFrame compact(format, w, h, 0, 7), padded(format, w, h, 13, 7);
      FrameConverter a, b;
      ASSERT_TRUE(a.Setup({format, w, h}));
      ASSERT_TRUE(b.Setup({format, w, h}));
      const std::uint8_t* fromCompact = a.Convert(compact.Planes());
      const std::uint8_t* fromPadded = b.Convert(padded.Planes());
      ASSERT_TRUE(fromCompact && fromPadded);
      EXPECT_EQ(std::memcmp(fromCompact, fromPadded, static_cast<std::size_t>(w) * h * 4), 0);
    }
  }
}

// Odd sizes convert every pixel, each with OpenCV's arithmetic for its samples.
TEST(FrameConverterTest, OpenCvFormatsConvertOddSizesFully) {
  for (PixelFormat format : {PixelFormat::kNV12, PixelFormat::kYV12}) {
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{1, 4}, std::pair{5, 1}, std::pair{8, 3}, std::pair{33, 17}}) {
      SCOPED_TRACE(testing::Message() << "format " << static_cast<int>(format) << ", " << w << " x " << h);
      const TestFrame frame(format, w, h, 3, 11);
      FrameConverter converter;
      ASSERT_TRUE(converter.Setup({format, w, h}));
      const std::uint8_t* out = converter.Convert(frame.Planes());
      ASSERT_NE(out, nullptr);
      const FramePlanes& p = frame.Planes();
      for (int row = 0; row < h; ++row) {
        for (int x = 0; x < w; ++x) {
          const std::uint8_t y = p.data[0][row * p.stride[0] + x];
          const std::ptrdiff_t c = row / 2;
          const std::uint8_t u = format == PixelFormat::kNV12 ? p.data[1][c * p.stride[1] + x / 2 * 2]
                                                              : p.data[2][c * p.stride[2] + x / 2];
          const std::uint8_t v = format == PixelFormat::kNV12 ? p.data[1][c * p.stride[1] + x / 2 * 2 + 1]
                                                              : p.data[1][c * p.stride[1] + x / 2];
          ASSERT_EQ(PixelAt(out, w * 4, x, row), OpenCvPixel(y, u, v)) << x << ", " << row;
        }
      }
    }
  }
}

// A 1920 x 1080 sample is 1620 rows of 1920 bytes: read all of it and nothing past it.
TEST(FrameConverterTest, FullHdOpenCvFormatsReadExactlyTheSample) {
  const struct {
    PixelFormat format;
    int code;
  } cases[] = {{PixelFormat::kNV12, cv::COLOR_YUV2BGRA_NV12}, {PixelFormat::kYV12, cv::COLOR_YUV2BGRA_YV12}};
  for (const auto& c : cases) {
    const TestFrame frame(c.format, 1920, 1080, 0, 3);  // one allocation of exactly 1920 x 1620 bytes
    FrameConverter converter;
    ASSERT_TRUE(converter.Setup({c.format, 1920, 1080}));
    const std::uint8_t* out = converter.Convert(frame.Planes());
    ASSERT_NE(out, nullptr);
    cv::Mat expected;
    cv::cvtColor(cv::Mat(1620, 1920, CV_8UC1, const_cast<std::uint8_t*>(frame.Planes().data[0])), expected, c.code);
    EXPECT_EQ(std::memcmp(out, expected.data, 1920 * 1080 * 4), 0);
  }
}

TEST(FrameConverterTest, Rgb32IsPassedOnUnlessItsRowsArePadded) {
  const TestFrame compact(PixelFormat::kRGB32, 5, 3, 0, 5), padded(PixelFormat::kRGB32, 5, 3, 8, 5);
  FrameConverter converter;
  ASSERT_TRUE(converter.Setup({PixelFormat::kRGB32, 5, 3, true}));
  EXPECT_EQ(converter.Convert(compact.Planes()), compact.Planes().data[0]);
  const std::uint8_t* out = converter.Convert(padded.Planes());
  ASSERT_EQ(out, converter.Output());
  EXPECT_EQ(std::memcmp(out, compact.Planes().data[0], 5 * 3 * 4), 0);
}

// Sizes it cannot hold, a missing plane, a stride shorter than its row: refused,
// and the last frame kept.
TEST(FrameConverterTest, RefusesWhatItCannotConvert) {
  for (const auto& [w, h] : {std::pair{0, 4}, std::pair{4, 0}, std::pair{-2, 4}, std::pair{kMaxFrameSide + 1, 2}}) {
    FrameConverter converter;
    EXPECT_FALSE(converter.Setup({PixelFormat::kI420, w, h})) << w << " x " << h;
    EXPECT_EQ(converter.Convert(TestFrame(PixelFormat::kI420, 2, 2, 0, 1).Planes()), nullptr);
  }
  for (PixelFormat format : kAllFormats) {
    const TestFrame frame(format, 6, 4, 0, 9);
    FrameConverter converter;
    ASSERT_TRUE(converter.Setup({format, 6, 4}));
    for (std::size_t p = 0; p < PlaneShapes(format, 6, 4).size(); ++p) {
      FramePlanes missing = frame.Planes(), narrow = frame.Planes();
      missing.data[p] = nullptr;
      narrow.stride[p] -= 1;
      EXPECT_EQ(converter.Convert(missing), nullptr) << "format " << static_cast<int>(format) << " plane " << p;
      EXPECT_EQ(converter.Convert(narrow), nullptr) << "format " << static_cast<int>(format) << " plane " << p;
    }
    EXPECT_EQ(std::count(converter.Output(), converter.Output() + 6 * 4 * 4, 0), 6 * 4 * 4);
  }
}

}  // namespace
}  // namespace quela::test
