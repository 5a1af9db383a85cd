// Frame conversion: every kernel set against the plain arithmetic and OpenCV; FrameConverter's
// plane wiring, padding, refusals and mean sampling; the frame hand-over and the statistics refresh.
#include "playback/convert/frame_converter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <opencv2/imgproc.hpp>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "playback/convert/convert_kernels.h"
#include "playback/convert/video_frame_buffer.h"
#include "playback/convert/video_stats.h"

namespace quela::test {
namespace {

// What every fast path must reproduce byte for byte.
struct Bgra {
  std::uint8_t b, g, r, a;
  bool operator==(const Bgra&) const = default;
};

Bgra ReferenceYuv(int y, int u, int v) {
  const auto clip = [](int value) { return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value); };
  const int luma = (y - 16) * 76309, cb = u - 128, cr = v - 128;
  return Bgra{clip((luma + cb * 132201) >> 16), clip((luma - cb * 25675 - cr * 53279) >> 16),
              clip((luma + cr * 104597) >> 16), 255};
}

Bgra PixelAt(const std::uint8_t* bgra, std::ptrdiff_t stride, int x, int y) {
  const std::uint8_t* p = bgra + y * stride + 4 * x;
  return Bgra{p[0], p[1], p[2], p[3]};
}

// OpenCV's value for one (Y, U, V), from a 2 x 2 NV12 frame.
Bgra OpenCvPixel(std::uint8_t y, std::uint8_t u, std::uint8_t v) {
  std::uint8_t nv12[6] = {y, y, y, y, u, v};
  cv::Mat out;
  cv::cvtColor(cv::Mat(3, 2, CV_8UC1, nv12), out, cv::COLOR_YUV2BGRA_NV12);
  return PixelAt(out.data, 8, 0, 0);
}

Bgra ReferenceRgb555(unsigned v) {
  return Bgra{static_cast<std::uint8_t>((v & 31) * 8), static_cast<std::uint8_t>(((v >> 5) & 31) * 8),
              static_cast<std::uint8_t>(((v >> 10) & 31) * 8), 255};
}

Bgra ReferenceRgb565(unsigned v) {
  return Bgra{static_cast<std::uint8_t>((v & 31) * 8), static_cast<std::uint8_t>(((v >> 5) & 63) * 4),
              static_cast<std::uint8_t>(((v >> 11) & 31) * 8), 255};
}

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

// The references every kernel is held to give the documented values.
TEST(ReferenceConversionTest, GivesTheDocumentedValues) {
  EXPECT_EQ(ReferenceYuv(16, 128, 128), (Bgra{0, 0, 0, 255}));
  EXPECT_EQ(ReferenceYuv(235, 128, 128), (Bgra{254, 254, 254, 255}));
  EXPECT_EQ(ReferenceYuv(255, 128, 128), (Bgra{255, 255, 255, 255}));
  EXPECT_EQ(ReferenceYuv(128, 128, 128), (Bgra{130, 130, 130, 255}));
  EXPECT_EQ(ReferenceYuv(16, 128, 255), (Bgra{0, 0, 202, 255}));
  EXPECT_EQ(ReferenceRgb565(0xFFFF), (Bgra{248, 252, 248, 255}));
  EXPECT_EQ(ReferenceRgb555(0x7FFF), (Bgra{248, 248, 248, 255}));
}

// A row pair per (U, V); the 2 x 2 blocks of a pair hold all 256 luma values, and
// the last eight columns take the scalar path at the end of each row. The table
// arithmetic is checked pixel by pixel, YUY2 of the same pixels against it, and
// OpenCV's arithmetic against OpenCV itself.
TEST_P(ConvertKernelsTest, YuvMatchesItsArithmeticForEveryInput) {
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
  std::vector<std::uint8_t> packed(luma.size() * 2), packedOut(out.size());
  for (std::size_t i = 0; i < luma.size(); ++i) {
    const std::size_t chroma = i / width / 2 * cw;
    packed[2 * i] = luma[i];
    packed[2 * i + 1] = i % 2 == 0 ? u[chroma] : v[chroma];
  }
  k.packed422(packed.data(), 2 * width, packedOut.data(), width * 4, width, height);
  EXPECT_EQ(std::memcmp(packedOut.data(), out.data(), out.size()), 0) << "YUY2";
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

// {bytes per row, rows} of each plane.
std::vector<std::pair<int, int>> PlaneShapes(PixelFormat format, int w, int h) {
  const int cw = (w + 1) / 2, ch = (h + 1) / 2;
  switch (format) {
    case PixelFormat::kNV12: return {{w, h}, {2 * cw, ch}};
    case PixelFormat::kYUY2: return {{4 * cw, h}};
    case PixelFormat::kRGB555:
    case PixelFormat::kRGB565: return {{2 * w, h}};
    case PixelFormat::kRGB24: return {{3 * w, h}};
    case PixelFormat::kRGB32: return {{4 * w, h}};
    default: return {{w, h}, {cw, ch}, {cw, ch}};
  }
}

// A frame of random bytes: compact (one buffer, planes in order, rows exactly their
// bytes) or padded (each plane its own allocation, ending with its last row).
class TestFrame {
 public:
  TestFrame(PixelFormat format, int w, int h, int rowPadding, std::uint32_t seed) {
    std::mt19937 random(seed);
    const auto shapes = PlaneShapes(format, w, h);
    std::size_t offset = 0;
    if (rowPadding == 0) {
      for (const auto& [rowBytes, rows] : shapes) offset += static_cast<std::size_t>(rowBytes) * rows;
      storage_.emplace_back(offset);
      offset = 0;
    }
    for (std::size_t p = 0; p < shapes.size(); ++p) {
      const auto [rowBytes, rows] = shapes[p];
      const int stride = rowBytes + rowPadding;
      if (rowPadding) storage_.emplace_back(static_cast<std::size_t>(stride) * (rows - 1) + rowBytes, std::uint8_t{0xEE});
      std::uint8_t* base = storage_.back().data() + (rowPadding ? 0 : offset);
      offset += static_cast<std::size_t>(stride) * rows;
      for (int row = 0; row < rows; ++row)
        for (int x = 0; x < rowBytes; ++x) base[row * stride + x] = static_cast<std::uint8_t>(random());
      planes_.data[p] = base;
      planes_.stride[p] = stride;
    }
  }
  const FramePlanes& Planes() const { return planes_; }

 private:
  std::vector<std::vector<std::uint8_t>> storage_;
  FramePlanes planes_;
};

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

// The same picture with and without row padding converts to the same frame (for
// YV12 that also compares OpenCV's own layout with the interleaving path), bottom-up
// or not; unpadded RGB32 is passed on as it is.
TEST(FrameConverterTest, RowPaddingNeverReachesThePicture) {
  for (PixelFormat format : kAllFormats) {
    for (const auto& [w, h] : {std::pair{7, 5}, std::pair{32, 18}}) {
      SCOPED_TRACE(testing::Message() << "format " << static_cast<int>(format) << ", " << w << " x " << h);
      const TestFrame compact(format, w, h, 0, 7), padded(format, w, h, 13, 7);
      FrameConverter a, b;
      ASSERT_TRUE(a.Setup({format, w, h, w == 7}));
      ASSERT_TRUE(b.Setup({format, w, h, w == 7}));
      const std::uint8_t* fromCompact = a.Convert(compact.Planes());
      const std::uint8_t* fromPadded = b.Convert(padded.Planes());
      ASSERT_TRUE(fromCompact && fromPadded);
      EXPECT_EQ(std::memcmp(fromCompact, fromPadded, static_cast<std::size_t>(w) * h * 4), 0);
      EXPECT_EQ(fromCompact == compact.Planes().data[0], format == PixelFormat::kRGB32);
      EXPECT_EQ(fromPadded, b.Output());
    }
  }
}

// A 1920 x 1080 NV12 sample is 1620 rows of 1920 bytes: read all of it and nothing past it.
TEST(FrameConverterTest, FullHdNv12ReadsExactlyTheSample) {
  const TestFrame frame(PixelFormat::kNV12, 1920, 1080, 0, 3);  // one allocation of exactly 1920 x 1620 bytes
  FrameConverter converter;
  ASSERT_TRUE(converter.Setup({PixelFormat::kNV12, 1920, 1080}));
  const std::uint8_t* out = converter.Convert(frame.Planes());
  ASSERT_NE(out, nullptr);
  cv::Mat expected;
  cv::cvtColor(cv::Mat(1620, 1920, CV_8UC1, const_cast<std::uint8_t*>(frame.Planes().data[0])), expected,
               cv::COLOR_YUV2BGRA_NV12);
  EXPECT_EQ(std::memcmp(out, expected.data, 1920 * 1080 * 4), 0);
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

// The writer fills the back buffer with one value per frame; the reader, holding the lock it only
// tries, must never see a front buffer with two values in it. Run under ThreadSanitizer by CI.
TEST(VideoFrameBufferTest, TheRenderLoopNeverSeesAHalfDrawnFrame) {
  VideoFrameBuffer frames;
  std::array<std::array<int, 4096>, kFrameBufferCount> pixels{};
  std::atomic<bool> done{false};
  std::atomic<int> shown{0};  // distinct frames the render loop has checked
  int torn = 0;
  std::thread reader([&] {
    int last = -1;
    while (!done) {
      if (!FrameLock.try_lock()) continue;
      const auto& front = pixels[frames.frontBuffer];
      if (front[0] != last) {  // a frame already checked is not scanned again
        for (int value : front) torn += value != front[0];
        last = front[0];
        ++shown;
      }
      FrameLock.unlock();
      std::this_thread::yield();  // the rest of a render-loop pass
    }
  });
  for (int frame = 1; frame <= 2000; ++frame) {
    {
      std::lock_guard lock(FrameLock);
      pixels[frames.backBuffer].fill(frame);
      frames.Present();
    }
    // A mutex need not be fair: every tenth frame, wait until the render loop got in.
    if (frame % 10 == 0) {
      const int seen = shown;
      while (shown == seen) std::this_thread::yield();
    }
  }
  done = true;
  reader.join();
  EXPECT_EQ(torn, 0);
}

// A figure the sink did not write stays -1; the request is cleared even without a sink.
TEST(VideoStatsTest, RefreshStoresWhatTheSinkWroteAndClearsTheRequest) {
  struct Quality : VideoQuality {
    bool AvgFrameRate(std::int32_t* value) override { return *value = 2397, true; }
    bool FramesDroppedInRenderer(std::int32_t* value) override { return *value = 3, true; }
    bool Jitter(std::int32_t*) override { return false; }
  } quality;
  VideoStats stats;
  std::atomic<bool> request{true};
  RefreshVideoStats(nullptr, stats, request);
  EXPECT_FALSE(request);
  RefreshVideoStats(&quality, stats, request);  // not requested: nothing happens
  EXPECT_EQ(stats.averageFrameRate, -1);
  request = true;
  stats.jitter = 5;
  RefreshVideoStats(&quality, stats, request);
  EXPECT_EQ(stats.averageFrameRate, 2397);
  EXPECT_EQ(stats.framesDropped, 3);
  EXPECT_EQ(stats.jitter, -1);
  EXPECT_FALSE(request);
}

class MeanSamplingTest : public testing::Test {
 protected:
  MeanSamplingTest() { sampling_.lightFollowsVideo = true; }

  std::unique_ptr<FrameConverter> MakeConverter(PixelFormat format = PixelFormat::kNV12) {
    auto converter = std::make_unique<FrameConverter>([this] { return now_; }, sampling_);
    EXPECT_TRUE(converter->Setup({format, 4, 2}));
    return converter;
  }
  // Converts a solid grey frame of a luma no frame had before, at time ms; true
  // when the scene's colour is now this frame's mean.
  bool Sampled(const std::unique_ptr<FrameConverter>& converter, std::uint32_t ms) {
    now_ = ms;
    std::vector<std::uint8_t> frame(12, 128);
    std::fill_n(frame.begin(), 8, luma_++);
    const bool nv12 = converter->Format().pixelFormat == PixelFormat::kNV12;
    const std::uint8_t* out = converter->Convert(nv12 ? FramePlanes{{frame.data(), frame.data() + 8}, {4, 4}}
                                                      : FramePlanes{{frame.data(), &frame[8], &frame[10]}, {4, 2, 2}});
    return out && sampling_.colour.Load().red == out[2];
  }

  MeanSampling sampling_;
  std::uint32_t now_ = 0;
  std::uint8_t luma_ = 20;
};

TEST_F(MeanSamplingTest, FollowsTheTimingRules) {
  struct Step {
    std::uint32_t ms;
    bool sampled;
  };
  const std::pair<std::uint32_t, std::vector<Step>> cases[] = {  // {set up at, frames}
      // The first frame after setup only turns the toggle; 40 ms later a mean is computed.
      {0, {{0, false}, {40, true}}},
      // Under 33 ms after the last computation nothing is computed, whichever way the toggle stands.
      {0, {{10, false}, {20, false}, {30, false}, {32, false}, {33, false}, {34, true}}},
      // After a computation the next frame skips even 40 ms later; then 33 ms must pass again.
      {0, {{50, false}, {60, true}, {100, false}, {120, true}, {130, false}, {140, false}}},
      // The clock may wrap: 31 ms, then 33 ms after setup.
      {0xFFFFFFF0u, {{0xFFFFFFF0u, false}, {0x0Fu, false}, {0x10u, false}, {0x11u, true}}},
  };
  for (const auto& [setup, steps] : cases) {
    SCOPED_TRACE(testing::Message() << "first frame at " << steps[0].ms << " ms");
    sampling_.toggle = false;
    now_ = setup;
    const auto converter = MakeConverter();
    for (const Step& step : steps) EXPECT_EQ(Sampled(converter, step.ms), step.sampled) << "at " << step.ms << " ms";
  }
}

// The toggle is one for all converters, the cache one per converter.
TEST_F(MeanSamplingTest, TheToggleIsSharedByAllConverters) {
  const auto first = MakeConverter(), second = MakeConverter();
  EXPECT_FALSE(Sampled(first, 100));
  EXPECT_TRUE(Sampled(second, 100));
  EXPECT_FALSE(Sampled(first, 200));
  EXPECT_EQ(sampling_.colour.Load().red, 0.0f);
}

TEST_F(MeanSamplingTest, OnlyNv12AndYv12SampleAndOnlyWhileTheLightFollows) {
  for (const auto& [format, follows] : {std::pair{PixelFormat::kNV12, false}, std::pair{PixelFormat::kI420, true}}) {
    sampling_.lightFollowsVideo = follows;
    sampling_.toggle = false;
    sampling_.colour.Store({7.0f, 8.0f, 9.0f});
    const auto converter = MakeConverter(format);
    for (std::uint32_t ms = 100; ms <= 400; ms += 100) Sampled(converter, ms);
    EXPECT_EQ(sampling_.colour.Load().red, 7.0f);
    EXPECT_FALSE(sampling_.toggle);
  }
}

}  // namespace
}  // namespace quela::test
