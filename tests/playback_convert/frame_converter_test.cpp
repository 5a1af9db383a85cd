// FrameConverter: plane wiring, row padding, the frames it refuses and mean sampling;
// the two-buffer hand-over and the statistics refresh. The kernels' values, odd sizes
// included, are proven in convert_kernels_test.
#include "playback/convert/frame_converter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <opencv2/imgproc.hpp>
#include <thread>
#include <vector>

#include "playback/convert/video_frame_buffer.h"
#include "playback/convert/video_stats.h"
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

// A drawn frame becomes the front buffer and the other one the next back buffer;
// each eye shows its own view, or view 0 of a mono frame, exchanged by the flip.
TEST(VideoFrameBufferTest, PresentAlternatesTheBuffersAndEyesFindTheirViews) {
  VideoFrameBuffer frames;
  for (int frame = 0; frame < 4; ++frame) {
    const int drawnInto = frames.backBuffer;
    frames.Present();
    EXPECT_EQ(frames.frontBuffer.load(), drawnInto);
    EXPECT_EQ(frames.backBuffer, 1 - drawnInto);
  }
  for (int b = 0; b < kFrameBufferCount; ++b)
    for (int v = 0; v < kFrameViewCount; ++v) frames.views[b][v] = {static_cast<std::uint32_t>(10 * b + v + 1), 1, 1};
  for (const int viewCount : {1, 2}) {
    frames.viewCount = viewCount;
    frames.UpdateFrameTextures();
    const int front = frames.frontBuffer.load();
    EXPECT_EQ(frames.EyeTexture(0, false).name, 10u * front + 1);
    EXPECT_EQ(frames.EyeTexture(1, false).name, 10u * front + viewCount);
    EXPECT_EQ(frames.EyeTexture(0, true).name, 10u * front + viewCount);
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
  const std::vector<std::vector<Step>> cases = {
      // The first frame after setup only turns the toggle; 40 ms later a mean is computed.
      {{0, false}, {40, true}},
      // Under 33 ms after the last computation nothing is computed, whichever way the toggle stands.
      {{10, false}, {20, false}, {30, false}, {32, false}, {33, false}, {34, true}},
      // After a computation the next frame skips even 40 ms later; then 33 ms must pass again.
      {{50, false}, {60, true}, {100, false}, {120, true}, {130, false}, {140, false}},
  };
  for (const auto& steps : cases) {
    SCOPED_TRACE(testing::Message() << "starting at " << steps[0].ms << " ms");
    sampling_.toggle = false;
    now_ = 0;
    const auto converter = MakeConverter();
    for (const Step& step : steps) EXPECT_EQ(Sampled(converter, step.ms), step.sampled) << "at " << step.ms << " ms";
  }
}

TEST_F(MeanSamplingTest, TheClockMayWrap) {
  now_ = 0xFFFFFFF0u;
  const auto converter = MakeConverter();
  Sampled(converter, 0xFFFFFFF0u);
  EXPECT_FALSE(Sampled(converter, 0x0Fu));  // 31 ms after setup
  Sampled(converter, 0x10u);
  EXPECT_TRUE(Sampled(converter, 0x11u));  // 33 ms
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
