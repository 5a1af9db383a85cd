// Every kernel set against the plain arithmetic: every (Y, U, V), and random
// frames of awkward sizes and strides written between guard bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <opencv2/imgproc.hpp>
#include <random>
#include <string>
#include <vector>

#include "playback/convert/convert_kernels.h"
#include "tests/playback_convert/reference_conversion.h"

namespace quela::test {
namespace {

struct KernelSet {
  std::string name;
  const ConvertKernels* kernels;
};

std::vector<KernelSet> AvailableKernelSets() {
  std::vector<KernelSet> sets{{"Sse2", &Sse2Kernels()}};
  if (Avx2Kernels()) sets.push_back({"Avx2", Avx2Kernels()});
  return sets;
}

void PrintTo(const KernelSet& set, std::ostream* os) { *os << set.name; }

class ConvertKernelsTest : public testing::TestWithParam<KernelSet> {};

// A row pair per (U, V); the 2 x 2 blocks of a pair hold all 256 luma values, and
// the last four columns take the scalar path at the end of each row. The table
// arithmetic is checked pixel by pixel, OpenCV's against OpenCV itself.
TEST_P(ConvertKernelsTest, Yuv420MatchesItsArithmeticForEveryInput) {
  const int width = 136, height = 2 * 65536, cw = width / 2;
  std::vector<std::uint8_t> luma(width * height), u(luma.size() / 4), v(luma.size() / 4), uv(luma.size() / 2);
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < width; ++x) luma[row * width + x] = static_cast<std::uint8_t>(4 * (x / 2) + x % 2 + 2 * (row % 2));
  }
  for (std::size_t i = 0; i < u.size(); ++i) {
    u[i] = uv[2 * i] = static_cast<std::uint8_t>(i / cw >> 8);
    v[i] = uv[2 * i + 1] = static_cast<std::uint8_t>(i / cw);
  }
  const ConvertKernels& k = *GetParam().kernels;
  std::vector<std::uint8_t> out(luma.size() * 4);
  k.planar420(luma.data(), width, u.data(), cw, v.data(), cw, out.data(), width * 4, width, height);
  for (int row = 0; row < height; ++row) {
    for (int x = 0; x < width; ++x) {
      ASSERT_EQ(PixelAt(out.data(), width * 4, x, row), ReferenceYuv(luma[row * width + x], row / 2 >> 8, row / 2 & 255))
          << "x " << x << " row " << row;
    }
  }
  cv::Mat expected;
  cv::cvtColorTwoPlane(cv::Mat(height, width, CV_8UC1, luma.data()), cv::Mat(height / 2, cw, CV_8UC2, uv.data()),
                       expected, cv::COLOR_YUV2BGRA_NV12);
  k.planar420OpenCv(luma.data(), width, u.data(), cw, v.data(), cw, out.data(), width * 4, width, height);
  EXPECT_EQ(std::memcmp(out.data(), expected.data, out.size()), 0) << "planar";
  std::fill(out.begin(), out.end(), 0);
  k.semiPlanar420OpenCv(luma.data(), width, uv.data(), width, out.data(), width * 4, width, height);
  EXPECT_EQ(std::memcmp(out.data(), expected.data, out.size()), 0) << "interleaved";
}

// Frames of up to 70 x 9 pixels, rows padded, each plane ending with its last row
// so that reading past it is caught: every pixel as the plain arithmetic gives it,
// and no byte written outside the pixels.
TEST_P(ConvertKernelsTest, RandomPaddedFramesMatchTheReference) {
  const ConvertKernels& k = *GetParam().kernels;
  std::mt19937 random(20240611);
  auto pad = [&] { return static_cast<int>(random() % 37); };
  auto plane = [&](int stride, int rows, int rowBytes) {
    std::vector<std::uint8_t> bytes(stride * (rows - 1) + rowBytes);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
  };
  constexpr std::uint8_t kGuard = 0xA5;
  constexpr int kMargin = 64;
  for (int trial = 0; trial < 400; ++trial) {
    const int w = 1 + static_cast<int>(random() % 70), h = 1 + static_cast<int>(random() % 9);
    const int cw = (w + 1) / 2, ch = (h + 1) / 2;
    SCOPED_TRACE(testing::Message() << "trial " << trial << ": " << w << " x " << h);
    const int ys = w + pad(), us = cw + pad(), vs = cw + pad(), s422 = 4 * cw + pad(), s16 = 2 * w + pad(),
              s24 = 3 * w + pad(), ds = 4 * w + pad();
    const auto y = plane(ys, h, w), u = plane(us, ch, cw), v = plane(vs, ch, cw), uv = plane(us, ch, 2 * cw);
    const auto packed = plane(s422, h, 4 * cw), rgb16 = plane(s16, h, 2 * w), rgb24 = plane(s24, h, 3 * w);
    struct Case {
      std::function<void(std::uint8_t*)> convert;
      std::function<Bgra(int x, int row)> expected;
    } cases[] = {
        {[&](std::uint8_t* d) { k.planar420(y.data(), ys, u.data(), us, v.data(), vs, d, ds, w, h); },
         [&](int x, int r) { return ReferenceYuv(y[r * ys + x], u[r / 2 * us + x / 2], v[r / 2 * vs + x / 2]); }},
        {[&](std::uint8_t* d) { k.planar420OpenCv(y.data(), ys, u.data(), us, v.data(), vs, d, ds, w, h); },
         [&](int x, int r) { return OpenCvPixel(y[r * ys + x], u[r / 2 * us + x / 2], v[r / 2 * vs + x / 2]); }},
        {[&](std::uint8_t* d) { k.semiPlanar420OpenCv(y.data(), ys, uv.data(), us, d, ds, w, h); },
         [&](int x, int r) {
           const std::uint8_t* pair = &uv[r / 2 * us + x / 2 * 2];
           return OpenCvPixel(y[r * ys + x], pair[0], pair[1]);
         }},
        {[&](std::uint8_t* d) { k.packed422(packed.data(), s422, d, ds, w, h); },
         [&](int x, int r) {
           const std::uint8_t* pair = &packed[r * s422 + 4 * (x / 2)];
           return ReferenceYuv(pair[2 * (x % 2)], pair[1], pair[3]);
         }},
        {[&](std::uint8_t* d) { k.rgb555(rgb16.data(), s16, d, ds, w, h); },
         [&](int x, int r) { return ReferenceRgb555(rgb16[r * s16 + 2 * x] | rgb16[r * s16 + 2 * x + 1] << 8); }},
        {[&](std::uint8_t* d) { k.rgb565(rgb16.data(), s16, d, ds, w, h); },
         [&](int x, int r) { return ReferenceRgb565(rgb16[r * s16 + 2 * x] | rgb16[r * s16 + 2 * x + 1] << 8); }},
        {[&](std::uint8_t* d) { k.rgb24(rgb24.data(), s24, d, ds, w, h); },
         [&](int x, int r) {
           const std::uint8_t* p = &rgb24[r * s24 + 3 * x];
           return Bgra{p[0], p[1], p[2], 255};
         }},
    };
    for (const Case& c : cases) {
      std::vector<std::uint8_t> out(2 * kMargin + ds * h, kGuard);
      c.convert(out.data() + kMargin);
      for (int i = 0; i < static_cast<int>(out.size()); ++i) {
        const int offset = i - kMargin, x = offset % ds / 4, row = offset / ds;
        if (offset < 0 || row >= h || x >= w) {
          ASSERT_EQ(out[i], kGuard) << "written outside the pixels at offset " << offset;
        } else if (offset % ds % 4 == 0) {
          ASSERT_EQ(PixelAt(out.data() + kMargin, ds, x, row), c.expected(x, row)) << "pixel " << x << ", " << row;
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(InstructionSets, ConvertKernelsTest, testing::ValuesIn(AvailableKernelSets()),
                         [](const testing::TestParamInfo<KernelSet>& info) { return info.param.name; });

}  // namespace
}  // namespace quela::test
