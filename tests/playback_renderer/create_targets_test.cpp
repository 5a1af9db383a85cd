// The view textures a frame gets: sizes, source rectangles, the bars of the
// screens that keep their own shape, the mirror of bottom-up frames, rebuilds;
// and the debug text drawn over them.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/playback_renderer/frame_renderer_fixture.h"

namespace quela::test {
namespace {

constexpr Bgra kRed{0, 0, 255, 255};
constexpr Bgra kBlue{255, 0, 0, 255};
constexpr Bgra kBlack{0, 0, 0, 255};

// Each layout once; the 120 DPI rows also scale the textures.
TEST_F(FrameRendererTest, TargetsSizeTheTexturesAndCutTheFrame) {
  const struct {
    StereoMode mode;
    float dpi;
    int textureWidth, textureHeight, viewCount;
    PixelRect view0, view1;
  } cases[] = {{StereoMode::Mono2D, 120, 2400, 1350, 1, {0, 0, 1920, 1080}, {}},
               {StereoMode::SideBySide, 96, 960, 1080, 2, {0, 0, 960, 1080}, {961, 0, 1920, 1080}},
               {StereoMode::OverUnder, 120, 2400, 675, 2, {0, 0, 1920, 540}, {0, 541, 1920, 1080}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
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
        EXPECT_EQ(view.name != 0, v < c.viewCount);
        if (v < c.viewCount) {
          EXPECT_EQ(std::pair(view.width, view.height), std::pair(c.textureWidth, c.textureHeight));
        }
        EXPECT_EQ(frames.frameTextures[b][v].name, frames.views[b][c.viewCount == 1 ? 0 : v].name);
      }
    }
    // The picture fills the texture on the flat screen.
    EXPECT_EQ(renderer->destination(), (RectF{0, 0, c.textureWidth * 96 / c.dpi, c.textureHeight * 96 / c.dpi}));
    const auto pixels = ReadFront(c.viewCount - 1);
    EXPECT_EQ(PixelAt(pixels, c.textureWidth, c.textureWidth / 2, c.textureHeight / 2), kRed);
  }
}

// Bars only on screens of their own shape (top and bottom, or left and right), none
// when the picture already fits or the screen takes any shape; the bars are black.
TEST_F(FrameRendererTest, BarsFitThePictureOnlyOnScreensOfTheirOwnShape) {
  const struct {
    ScreenType screenType;
    StereoMode mode;
    Video3DType type;
    int width, height;
    RectF destination;
  } cases[] = {
      {ScreenType::Dome, StereoMode::SideBySide, Video3DType::HalfHalf, 1920, 1080, {0, 270, 960, 810}},
      {ScreenType::Spherical, StereoMode::OverUnder, Video3DType::HalfHalf, 1920, 1080, {480, 0, 1440, 540}},
      {ScreenType::Dome, StereoMode::Mono2D, Video3DType::HalfHalf, 1920, 1080, {0, 0, 1920, 1080}},
      {ScreenType::Panoramic360, StereoMode::SideBySide, Video3DType::FullFull, 3840, 1080, {0, 0, 1920, 1080}},
      {ScreenType::Flat, StereoMode::SideBySide, Video3DType::HalfHalf, 1920, 1080, {0, 0, 960, 1080}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.screenType));
    screen.SelectScreenType(c.screenType);
    screen.SelectStereoMode(c.mode);
    screen.SetVideo3DType(c.type);
    auto renderer = MakeRenderer();
    ASSERT_TRUE(Draw(*renderer, TestFrame::Solid(c.width, c.height, kRed)));
    EXPECT_EQ(renderer->destination(), c.destination);
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
}

// A bottom-up frame drawn scaled is mirrored too (the pixel-exact case is below).
TEST_F(FrameRendererTest, MirrorsBottomUpFramesWhenScaled) {
  auto renderer = MakeRenderer(120);
  // Stored rows: the first half red, the second blue.
  ASSERT_TRUE(Draw(*renderer, TestFrame::Make(64, 32, true, [](int, int y) { return y < 16 ? kRed : kBlue; })));
  EXPECT_TRUE(renderer->flipped());
  const FrameTexture& view = frames.frameTextures[frames.frontBuffer.load()][0];
  const auto pixels = ReadFront(0);
  for (int x : {0, view.width - 1}) {
    EXPECT_EQ(PixelAt(pixels, view.width, x, 0), kBlue);
    EXPECT_EQ(PixelAt(pixels, view.width, x, view.height - 1), kRed);
  }
}

// A mono frame at 96 DPI lands in its view byte for byte, whichever way it gets there:
// copied straight, drawn (under the debug text), or mirrored from bottom-up rows.
TEST_F(FrameRendererTest, MonoFramesArrivePixelForPixel) {
  const auto gradient = [](int x, int y) {
    return Bgra{static_cast<std::uint8_t>(x * 4), static_cast<std::uint8_t>(y * 8), static_cast<std::uint8_t>(x + y), 0};
  };
  constexpr int kW = 640, kH = 480;
  for (const auto& [debugText, bottomUp] : {std::pair{false, false}, std::pair{true, false}, std::pair{false, true}}) {
    SCOPED_TRACE(debugText ? "drawn" : bottomUp ? "bottom-up" : "copied");
    showDebugInfo = debugText;
    auto renderer = MakeRenderer();
    ASSERT_TRUE(Draw(*renderer, TestFrame::Make(kW, kH, bottomUp, gradient)));
    EXPECT_EQ(renderer->flipped(), bottomUp);
    const auto pixels = ReadFront(0);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        if (debugText && y < kH - 40) continue;  // the text's rows
        Bgra expected = gradient(x, bottomUp ? kH - 1 - y : y);
        expected[3] = 255;
        ASSERT_EQ(PixelAt(pixels, kW, x, y), expected) << x << ", " << y;
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

int YellowPixels(const std::vector<std::uint8_t>& rgba) {
  int count = 0;
  for (std::size_t i = 0; i < rgba.size(); i += 4) count += rgba[i] > 200 && rgba[i + 1] > 200 && rgba[i + 2] < 60;
  return count;
}

TEST_F(FrameRendererTest, DebugTextNamesTheViewBeforeTheBufferAndIsYellow) {
  screen.SelectStereoMode(StereoMode::SideBySide);
  auto renderer = MakeRenderer();
  const auto frame = TestFrame::Solid(1920, 1080, {40, 0, 0, 255});
  ASSERT_TRUE(Draw(*renderer, frame));
  EXPECT_EQ(YellowPixels(ReadFront(1)), 0);

  showDebugInfo = true;
  ASSERT_TRUE(Draw(*renderer, frame));  // into buffer 1
  ASSERT_TRUE(Draw(*renderer, frame));  // into buffer 0 again
  EXPECT_EQ(renderer->debugText(0, 1),
            "Target 1 0 \nSrc[961,0,1920,1080] RT[960,1080] \nVideo[1920,1080] DPI[96,96] Aspect[1.7778] "
            "\nFlipped[0]");
  EXPECT_EQ(renderer->debugText(1, 0).rfind("Target 0 1 \nSrc[0,0,960,1080]", 0), 0u);
  EXPECT_GT(YellowPixels(ReadFront(1)), 1000);
}

TEST_F(FrameRendererTest, DebugTextReportsTheDrawnAreaInPixels) {
  screen.SelectScreenType(ScreenType::Dome);
  showDebugInfo = true;
  auto renderer = MakeRenderer(120);
  ASSERT_TRUE(Draw(*renderer, TestFrame::Make(1920, 1080, true, [](int, int) { return Bgra{0, 0, 0, 255}; })));
  EXPECT_EQ(renderer->debugText(0, 0),
            "Target 0 0 \nSrc[0,0,1920,1080] RT[2400,1350] \nVideo[1920,1080] DPI[120,120] Aspect[1.0000] "
            "\nFlipped[1]");
}

TEST(WrapText, BreaksAtBlanksToFitTheWidth) {
  const auto tenPerCharacter = [](std::string_view text) { return 10.0f * static_cast<float>(text.size()); };
  struct Row {
    const char* text;
    float width;
    const char* wrapped;
  };
  for (const Row& row :
       {Row{"ab cd ef", 80, "ab cd ef"}, Row{"ab cd ef", 50, "ab cd \nef"}, Row{"ab cd \nef gh", 50, "ab cd \nef gh"},
        Row{"abcdefgh ij", 30, "abcdefgh \nij"}, Row{"", 30, ""}}) {
    EXPECT_EQ(WrapText(row.text, row.width, tenPerCharacter), row.wrapped) << row.text;
  }
}

}  // namespace
}  // namespace quela::test
