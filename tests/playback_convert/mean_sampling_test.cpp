// Mean sampling on an injected clock: every other frame at most, at most once
// per 33 ms, and nothing at all while the light does not follow the video.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "playback/convert/frame_converter.h"

namespace quela::test {
namespace {

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
