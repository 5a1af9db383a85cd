// The view textures a frame gets: sizes, source rectangles, the bars of the
// screens that keep their own shape, the mirror of bottom-up frames, rebuilds.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "tests/playback_renderer/frame_renderer_fixture.h"

namespace quela::test {
namespace {

constexpr Bgra kRed{0, 0, 255, 255};
constexpr Bgra kBlue{255, 0, 0, 255};
constexpr Bgra kBlack{0, 0, 0, 255};

struct TargetCase {
  StereoMode mode;
  float dpi;
  int textureWidth, textureHeight, viewCount;
  PixelRect view0, view1;
};

class CreateTargetsTest : public FrameRendererTest, public ::testing::WithParamInterface<TargetCase> {};

TEST_P(CreateTargetsTest, SizesTexturesAndCutsTheFrame) {
  const TargetCase& c = GetParam();
  screen.SelectStereoMode(c.mode);
  auto renderer = MakeRenderer(c.dpi);
  // The fourth byte of a BGRx frame is undefined: the views stay opaque whatever it holds.
  ASSERT_TRUE(Draw(*renderer, TestFrame::Solid(1920, 1080, Bgra{0, 0, 255, 0})));

  EXPECT_FALSE(screen.layoutChanged());
  EXPECT_EQ(renderer->layoutSnapshot(), c.mode);
  EXPECT_EQ(frames.viewCount, c.viewCount);
  EXPECT_EQ(renderer->layout().source[0], c.view0);
  EXPECT_EQ(renderer->layout().source[1], c.view1);
  for (int b = 0; b < 2; ++b) {
    for (int v = 0; v < 2; ++v) {
      const FrameTexture& view = frames.views[b][v];
      if (v < c.viewCount) {
        EXPECT_NE(view.name, 0u);
        EXPECT_EQ(view.width, c.textureWidth);
        EXPECT_EQ(view.height, c.textureHeight);
      } else {
        EXPECT_EQ(view.name, 0u);
      }
      EXPECT_EQ(frames.frameTextures[b][v].name, frames.views[b][c.viewCount == 1 ? 0 : v].name);
    }
  }
  // The picture fills the texture on the flat screen.
  EXPECT_EQ(renderer->destination(), (RectF{0, 0, c.textureWidth * 96 / c.dpi, c.textureHeight * 96 / c.dpi}));
  const auto pixels = ReadFront(c.viewCount - 1);
  EXPECT_EQ(PixelAt(pixels, c.textureWidth, c.textureWidth / 2, c.textureHeight / 2), kRed);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, CreateTargetsTest,
    ::testing::Values(TargetCase{StereoMode::Mono2D, 96, 1920, 1080, 1, {0, 0, 1920, 1080}, {}},
                      TargetCase{StereoMode::SideBySide, 96, 960, 1080, 2, {0, 0, 960, 1080}, {961, 0, 1920, 1080}},
                      TargetCase{StereoMode::OverUnder, 96, 1920, 540, 2, {0, 0, 1920, 540}, {0, 541, 1920, 1080}},
                      TargetCase{StereoMode::Mono2D, 120, 2400, 1350, 1, {0, 0, 1920, 1080}, {}},
                      TargetCase{StereoMode::SideBySide, 120, 1200, 1350, 2, {0, 0, 960, 1080}, {961, 0, 1920, 1080}},
                      TargetCase{StereoMode::OverUnder, 120, 2400, 675, 2, {0, 0, 1920, 540}, {0, 541, 1920, 1080}}));

struct BarsCase {
  ScreenType screenType;
  StereoMode mode;
  Video3DType type;
  int width, height;
  RectF destination;
};

class BarsTest : public FrameRendererTest, public ::testing::WithParamInterface<BarsCase> {};

TEST_P(BarsTest, FitsThePictureOnlyOnScreensOfTheirOwnShape) {
  const BarsCase& c = GetParam();
  screen.SelectScreenType(c.screenType);
  screen.SelectStereoMode(c.mode);
  screen.SetVideo3DType(c.type);
  auto renderer = MakeRenderer();
  ASSERT_TRUE(Draw(*renderer, TestFrame::Solid(c.width, c.height, kRed)));
  EXPECT_EQ(renderer->destination(), c.destination);

  // The bars are black, the picture is between them.
  const FrameTexture& view = frames.frameTextures[frames.frontBuffer.load()][0];
  const auto pixels = ReadFront(0);
  const int barRows = static_cast<int>(c.destination.top);
  EXPECT_EQ(PixelAt(pixels, view.width, view.width / 2, view.height / 2), kRed);
  if (barRows > 0) {
    EXPECT_EQ(PixelAt(pixels, view.width, view.width / 2, barRows - 1), kBlack);
    EXPECT_EQ(PixelAt(pixels, view.width, view.width / 2, barRows), kRed);
    EXPECT_EQ(PixelAt(pixels, view.width, view.width / 2, view.height - barRows), kBlack);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Screens, BarsTest,
    ::testing::Values(
        BarsCase{ScreenType::Dome, StereoMode::SideBySide, Video3DType::HalfHalf, 1920, 1080, {0, 270, 960, 810}},
        BarsCase{ScreenType::Spherical, StereoMode::OverUnder, Video3DType::HalfHalf, 1920, 1080, {480, 0, 1440, 540}},
        BarsCase{ScreenType::Dome, StereoMode::Mono2D, Video3DType::HalfHalf, 1920, 1080, {0, 0, 1920, 1080}},
        BarsCase{
            ScreenType::Panoramic360, StereoMode::SideBySide, Video3DType::FullFull, 3840, 1080, {0, 0, 1920, 1080}},
        BarsCase{ScreenType::Flat, StereoMode::SideBySide, Video3DType::HalfHalf, 1920, 1080, {0, 0, 960, 1080}},
        BarsCase{
            ScreenType::Panoramic180, StereoMode::OverUnder, Video3DType::HalfHalf, 1920, 1080, {0, 0, 1920, 540}}));

struct FlipCase {
  bool bottomUp;
  float dpi;
};

class FlipTest : public FrameRendererTest, public ::testing::WithParamInterface<FlipCase> {};

TEST_P(FlipTest, MirrorsOnlyBottomUpFrames) {
  const FlipCase& c = GetParam();
  auto renderer = MakeRenderer(c.dpi);
  // Stored rows: the first half red, the second blue.
  const auto frame = TestFrame::Make(64, 32, c.bottomUp, [](int, int y) { return y < 16 ? kRed : kBlue; });
  ASSERT_TRUE(Draw(*renderer, frame));
  EXPECT_EQ(renderer->flipped(), c.bottomUp);

  const FrameTexture& view = frames.frameTextures[frames.frontBuffer.load()][0];
  const auto pixels = ReadFront(0);
  const Bgra top = c.bottomUp ? kBlue : kRed;
  const Bgra bottom = c.bottomUp ? kRed : kBlue;
  for (int x : {0, view.width - 1}) {
    EXPECT_EQ(PixelAt(pixels, view.width, x, 0), top);
    EXPECT_EQ(PixelAt(pixels, view.width, x, view.height - 1), bottom);
  }
}

INSTANTIATE_TEST_SUITE_P(RowOrders, FlipTest,
                         ::testing::Values(FlipCase{false, 96}, FlipCase{true, 96}, FlipCase{true, 120},
                                           FlipCase{false, 120}));

// A mono frame at 96 DPI lands in its view byte for byte, whichever way it gets there.
TEST_F(FrameRendererTest, MonoFramesArrivePixelForPixel) {
  const auto gradient = [](int x, int y) {
    return Bgra{static_cast<std::uint8_t>(x * 4), static_cast<std::uint8_t>(y * 8), static_cast<std::uint8_t>(x + y), 0};
  };
  constexpr int kW = 640, kH = 480;
  const auto frame = TestFrame::Make(kW, kH, false, gradient);
  for (bool debugText : {false, true}) {
    showDebugInfo = debugText;
    auto renderer = MakeRenderer();
    ASSERT_TRUE(Draw(*renderer, frame));
    const auto pixels = ReadFront(0);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        if (debugText && y < kH - 40) continue;  // the text's rows
        Bgra expected = gradient(x, y);
        expected[3] = 255;
        ASSERT_EQ(PixelAt(pixels, kW, x, y), expected) << x << ", " << y << (debugText ? " drawn" : " copied");
      }
  }
}

TEST_F(FrameRendererTest, RebuildsForALayoutChangeAndAnUnannouncedSizeChange) {
  auto renderer = MakeRenderer();
  renderer->MediaTypeChanged({PixelFormat::kRGB32, 64, 32, false});
  ASSERT_TRUE(Draw(*renderer, TestFrame::Solid(64, 32, kRed)));
  EXPECT_EQ(frames.views[0][0].width, 64);

  screen.SelectStereoMode(StereoMode::SideBySide);
  ASSERT_TRUE(Draw(*renderer, TestFrame::Solid(64, 32, kRed)));
  EXPECT_EQ(frames.viewCount, 2);
  EXPECT_EQ(frames.views[1][1].width, 32);

  ASSERT_TRUE(Draw(*renderer, TestFrame::Solid(16, 48, kBlue)));
  EXPECT_EQ(frames.views[0][0].width, 8);
  EXPECT_EQ(frames.views[0][0].height, 48);
  EXPECT_EQ(PixelAt(ReadFront(1), 8, 4, 24), kBlue);
}

TEST_F(FrameRendererTest, RefusesFramesItCannotReadSafely) {
  auto renderer = MakeRenderer();
  const auto frame = TestFrame::Solid(64, 32, kRed);
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  struct Row {
    const std::uint8_t* bytes;
    std::ptrdiff_t stride;
    FrameFormat format;
  };
  for (const Row& row :
       {Row{nullptr, 256, frame.format}, Row{frame.bytes.data(), 252, frame.format},
        Row{frame.bytes.data(), 258, frame.format}, Row{frame.bytes.data(), 0, {PixelFormat::kRGB32, 0, 32, false}},
        Row{frame.bytes.data(), 256, {PixelFormat::kRGB32, 64, -1, false}},
        // Never read: the size is refused before any upload.
        Row{frame.bytes.data(), std::ptrdiff_t{maxSize + 1} * 4, {PixelFormat::kRGB32, maxSize + 1, 1, false}}}) {
    EXPECT_EQ(renderer->DrawFrame(row.bytes, row.stride, row.format), DrawResult::kFailed) << row.stride;
  }
  EXPECT_TRUE(Draw(*renderer, frame));
}

}  // namespace
}  // namespace quela::test
