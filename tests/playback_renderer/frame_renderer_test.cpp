// The frame renderer on llvmpipe: view textures (sizes, source rectangles, bars, mirror, rebuilds),
// the debug text, and the hand-over under FrameLock (whole frames, giving up the wait).
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "tests/support/frame_renderer_world.h"

namespace quela::test {
namespace {

using Bgra = std::array<std::uint8_t, 4>;

struct TestFrame {
  FrameFormat format;
  std::ptrdiff_t stride = 0;
  std::vector<std::uint8_t> bytes;  // B, G, R, A

  // Every pixel (x, y) of row order as stored takes colour(x, y).
  template <class ColourOf>
  static TestFrame Make(int width, int height, bool bottomUp, ColourOf colour) {
    TestFrame frame{{PixelFormat::kRGB32, width, height, bottomUp}, std::ptrdiff_t{width} * 4, {}};
    frame.bytes.resize(static_cast<std::size_t>(frame.stride) * height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const Bgra c = colour(x, y);
        std::copy(c.begin(), c.end(), frame.bytes.begin() + (std::ptrdiff_t{y} * width + x) * 4);
      }
    return frame;
  }
  static TestFrame Solid(int width, int height, Bgra colour) {
    return Make(width, height, false, [colour](int, int) { return colour; });
  }
};

class FrameRendererTest : public ::testing::Test, protected FrameRendererWorld {
 protected:
  std::unique_ptr<CD2DRenderer> MakeRenderer(float dpi = kLogicalDpi) {
    FrameRendererSettings settings;
    settings.dpiX = settings.dpiY = dpi;
    return std::make_unique<CD2DRenderer>(sharedContext, Shared(), settings);
  }
  DrawResult DrawResultOf(CD2DRenderer&& renderer, const TestFrame& frame) { return DrawResultOf(renderer, frame); }
  DrawResult DrawResultOf(CD2DRenderer& renderer, const TestFrame& frame) {
    return renderer.DrawFrame(frame.bytes.data(), frame.stride, frame.format);
  }
  bool Draw(CD2DRenderer& renderer, const TestFrame& frame) {
    return DrawResultOf(renderer, frame) == DrawResult::kDrawn;
  }
  // The texture eye shows now, read through the main context once the
  // renderer's drawing has executed: rows top first, bytes R, G, B, A.
  // Call with frameLock held.
  std::vector<std::uint8_t> ReadFrontLocked(int eye) {
    const int front = frames.frontBuffer.load();
    const FrameTexture& texture = frames.frameTextures[front][eye];
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(texture.width) * texture.height * 4);
    if (texture.name == 0) return {};
    fences.WaitForDrawing(front);
    // Framebuffer objects are not shared: the main context needs its own.
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture.name, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, texture.width, texture.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    // The texels as the render loop's sampler sees them: through the texture's swizzle.
    GLint swizzle[4] = {};
    glBindTexture(GL_TEXTURE_2D, texture.name);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
    glBindTexture(GL_TEXTURE_2D, 0);
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
      const std::uint8_t stored[6] = {rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3], 0, 255};  // R, G, B, A, zero, one
      for (int c = 0; c < 4; ++c)
        rgba[i + c] = stored[swizzle[c] == GL_ZERO ? 4 : swizzle[c] == GL_ONE ? 5 : swizzle[c] - GL_RED];
    }
    fences.MarkRead(front);
    return rgba;
  }
  std::vector<std::uint8_t> ReadFront(int eye) {
    const std::lock_guard lock(frameLock);
    return ReadFrontLocked(eye);
  }
};

// Pixel (x, y) of an R, G, B, A read-back of width pixels per row.
inline Bgra PixelAt(const std::vector<std::uint8_t>& rgba, int width, int x, int y) {
  const auto* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
  return {p[2], p[1], p[0], p[3]};
}

constexpr Bgra kRed{0, 0, 255, 255};
constexpr Bgra kBlue{255, 0, 0, 255};
constexpr Bgra kBlack{0, 0, 0, 255};

// Each layout once, the 120 DPI rows scaling the textures; black bars only on screens of their
// own shape (top and bottom, or left and right), none when the picture fits (360) or the screen
// takes any shape (flat).
TEST_F(FrameRendererTest, TargetsSizeTheTexturesCutTheFrameAndFitItWithBars) {
  const struct {
    ScreenType screenType;
    StereoMode mode;
    Video3DType type;
    float dpi;
    int width, height, textureWidth, textureHeight, viewCount;
    PixelRect view0, view1;
    RectF destination;
  } cases[] = {
      {ScreenType::Flat, StereoMode::Mono2D, Video3DType::HalfHalf, 120, 1920, 1080, 2400, 1350, 1,
       {0, 0, 1920, 1080}, {}, {0, 0, 1920, 1080}},
      {ScreenType::Flat, StereoMode::SideBySide, Video3DType::HalfHalf, 96, 1920, 1080, 960, 1080, 2,
       {0, 0, 960, 1080}, {961, 0, 1920, 1080}, {0, 0, 960, 1080}},
      {ScreenType::Flat, StereoMode::OverUnder, Video3DType::HalfHalf, 120, 1920, 1080, 2400, 675, 2,
       {0, 0, 1920, 540}, {0, 541, 1920, 1080}, {0, 0, 1920, 540}},
      {ScreenType::Dome, StereoMode::SideBySide, Video3DType::HalfHalf, 96, 1920, 1080, 960, 1080, 2,
       {0, 0, 960, 1080}, {961, 0, 1920, 1080}, {0, 270, 960, 810}},
      {ScreenType::Spherical, StereoMode::OverUnder, Video3DType::HalfHalf, 96, 1920, 1080, 1920, 540, 2,
       {0, 0, 1920, 540}, {0, 541, 1920, 1080}, {480, 0, 1440, 540}},
      {ScreenType::Panoramic360, StereoMode::SideBySide, Video3DType::FullFull, 96, 3840, 1080, 1920, 1080, 2,
       {0, 0, 1920, 1080}, {1921, 0, 3840, 1080}, {0, 0, 1920, 1080}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << &c - cases);
    screen.SelectScreenType(c.screenType);
    screen.SelectStereoMode(c.mode);
    screen.SetVideo3DType(c.type);
    auto renderer = MakeRenderer(c.dpi);
    // The fourth byte of a BGRx frame is undefined: the views stay opaque whatever it holds.
    ASSERT_TRUE(Draw(*renderer, TestFrame::Solid(c.width, c.height, Bgra{0, 0, 255, 0})));
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
    EXPECT_EQ(renderer->destination(), c.destination);
    const int w = c.textureWidth, h = c.textureHeight, barRows = static_cast<int>(c.destination.top);
    const auto pixels = ReadFront(c.viewCount - 1);
    EXPECT_EQ(PixelAt(pixels, w, w / 2, h / 2), kRed);
    if (barRows > 0) {
      EXPECT_EQ(PixelAt(pixels, w, w / 2, barRows - 1), kBlack);
      EXPECT_EQ(PixelAt(pixels, w, w / 2, barRows), kRed);
      EXPECT_EQ(PixelAt(pixels, w, w / 2, h - barRows), kBlack);
    }
  }
}

// A mono frame at 96 DPI lands in its view byte for byte, whichever way it gets there:
// copied straight, or drawn mirrored from bottom-up rows (the drawing path, pixel for pixel).
TEST_F(FrameRendererTest, MonoFramesArrivePixelForPixel) {
  const auto gradient = [](int x, int y) {
    return Bgra{static_cast<std::uint8_t>(x * 4), static_cast<std::uint8_t>(y * 8), static_cast<std::uint8_t>(x + y), 0};
  };
  constexpr int kW = 640, kH = 480;
  for (const bool bottomUp : {false, true}) {
    SCOPED_TRACE(bottomUp ? "bottom-up" : "copied");
    auto renderer = MakeRenderer();
    ASSERT_TRUE(Draw(*renderer, TestFrame::Make(kW, kH, bottomUp, gradient)));
    EXPECT_EQ(renderer->flipped(), bottomUp);
    const auto pixels = ReadFront(0);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
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

// Frames it cannot read safely are refused; so is every frame while its context cannot be made current.
TEST_F(FrameRendererTest, RefusesFramesItCannotReadSafelyOrWithoutItsContext) {
  auto renderer = MakeRenderer();
  const auto frame = TestFrame::Solid(64, 32, kRed);
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  const std::uint8_t* bytes = frame.bytes.data();
  const std::tuple<const std::uint8_t*, std::ptrdiff_t, FrameFormat> rows[] = {
      {nullptr, 256, frame.format}, {bytes, 252, frame.format}, {bytes, 258, frame.format},
      {bytes, 0, {PixelFormat::kRGB32, 0, 32, false}}, {bytes, 256, {PixelFormat::kRGB32, 64, -1, false}},
      // Never read: the size is refused before any upload.
      {bytes, std::ptrdiff_t{maxSize + 1} * 4, {PixelFormat::kRGB32, maxSize + 1, 1, false}}};
  for (const auto& [data, stride, format] : rows)
    EXPECT_EQ(renderer->DrawFrame(data, stride, format), DrawResult::kFailed) << stride;
  struct : SharedGlContext {
    bool MakeCurrent() override { return false; }
    void ReleaseCurrent() override { ADD_FAILURE() << "released a context never made current"; }
  } none;
  EXPECT_EQ(DrawResultOf(CD2DRenderer(none, Shared()), frame), DrawResult::kFailed);
  EXPECT_EQ(frames.frontBuffer.load(), 0);
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
  EXPECT_EQ(renderer->debugText(0, 1).rfind("Target 1 0 \nSrc[961,0,1920,1080] RT[960,1080]", 0), 0u);
  EXPECT_EQ(renderer->debugText(1, 0).rfind("Target 0 1 \nSrc[0,0,960,1080]", 0), 0u);
  EXPECT_GT(YellowPixels(ReadFront(1)), 1000);
}

// A bottom-up frame drawn scaled is mirrored too (the pixel-exact case is above); the
// debug text gives the drawn area in pixels and the screen's aspect.
TEST_F(FrameRendererTest, MirrorsBottomUpFramesWhenScaledAndReportsTheDrawnArea) {
  screen.SelectScreenType(ScreenType::Dome);
  showDebugInfo = true;
  auto renderer = MakeRenderer(120);
  // Stored rows: the first half red, the second blue.
  ASSERT_TRUE(Draw(*renderer, TestFrame::Make(1920, 1080, true, [](int, int y) { return y < 540 ? kRed : kBlue; })));
  EXPECT_TRUE(renderer->flipped());
  EXPECT_EQ(renderer->debugText(0, 0),
            "Target 0 0 \nSrc[0,0,1920,1080] RT[2400,1350] \nVideo[1920,1080] DPI[120,120] Aspect[1.0000] "
            "\nFlipped[1]");
  const auto pixels = ReadFront(0);
  EXPECT_EQ(PixelAt(pixels, 2400, 2399, 0), kBlue);  // the text is at the left
  for (int x : {0, 2399}) EXPECT_EQ(PixelAt(pixels, 2400, x, 1349), kRed);
}

TEST_F(FrameRendererTest, RenderLoopNeverSeesAHalfDrawnFrame) {
  screen.SelectStereoMode(StereoMode::SideBySide);
  auto renderer = MakeRenderer();
  constexpr int kFrames = 300;
  std::atomic<bool> done{false};
  std::atomic<int> drawn{0};
  int failures = 0;
  std::thread streaming([&] {
    for (int n = 1; n <= kFrames; ++n) {
      // Frame n in two channels: blue and green n % 250, red n / 250.
      const auto low = static_cast<std::uint8_t>(n % 250), high = static_cast<std::uint8_t>(n / 250);
      failures += !Draw(*renderer, TestFrame::Solid(96, 48, {low, low, high, 255}));
      ++drawn;
    }
    done = true;
  });
  // The render loop: try-lock, then check that both eyes show one frame whole. It looks once per
  // new frame, while the next one is being drawn: spinning on the lock would starve the writer,
  // whose wait polls.
  int shown = 0;
  int previous = 0;
  int looked = 0;
  while (!done.load() || shown == 0) {
    if (drawn.load() == looked && !done.load()) {
      std::this_thread::yield();
      continue;
    }
    if (!frameLock.try_lock()) continue;
    looked = drawn.load();
    const std::lock_guard lock(frameLock, std::adopt_lock);
    if (frames.frameTextures[0][0].name == 0) continue;
    const auto left = ReadFrontLocked(0);
    const auto right = ReadFrontLocked(1);
    // The read-back is R, G, B, A: R holds n / 250, G and B n % 250.
    for (const auto* eye : {&left, &right})
      for (std::size_t i = 0; i < eye->size(); i += 4)
        for (std::size_t c = 0; c < 3; ++c)
          ASSERT_EQ((*eye)[i + c], left[c]) << "pixel " << i / 4 << " after " << shown << " frames shown";
    const int frame = left[0] * 250 + left[1];
    EXPECT_GE(frame, previous) << "frames only move forward";
    previous = frame;
    ++shown;
  }
  streaming.join();
  EXPECT_EQ(failures, 0);
  EXPECT_GT(shown, 0);
}

TEST_F(FrameRendererTest, RefreshesStatisticsAfterReleasingTheLock) {
  struct LockCheckingQuality : VideoQuality {
    std::mutex* lock;
    bool lockWasFree = false;
    bool AvgFrameRate(std::int32_t* value) override {
      if ((lockWasFree = lock->try_lock())) lock->unlock();
      return *value = 2997, true;
    }
    bool FramesDroppedInRenderer(std::int32_t*) override { return false; }
    bool Jitter(std::int32_t*) override { return false; }
  } quality;
  quality.lock = &frameLock;
  CD2DRenderer renderer(sharedContext, Shared(&quality));
  const auto frame = TestFrame::Solid(32, 32, {1, 2, 3, 255});
  ASSERT_TRUE(Draw(renderer, frame));
  EXPECT_EQ(stats.averageFrameRate.load(), -1);
  statsRequest = true;
  ASSERT_TRUE(Draw(renderer, frame));
  EXPECT_TRUE(quality.lockWasFree);
  EXPECT_EQ(stats.averageFrameRate.load(), 2997);  // the figures themselves: VideoStatsTest
  EXPECT_FALSE(statsRequest.load());
}

TEST_F(FrameRendererTest, BlockedDrawReturnsWhenTheGraphIsBusyOrUnblocked) {
  auto renderer = MakeRenderer();
  const auto frame = TestFrame::Solid(32, 16, {9, 9, 9, 255});
  for (int round = 0; round < 100; ++round) {
    const int front = frames.frontBuffer.load();
    frameLock.lock();  // the render loop or a file opening holds it
    auto draw = std::async(std::launch::async, [&] { return DrawResultOf(*renderer, frame); });
    std::this_thread::sleep_for(std::chrono::microseconds(round * 20));
    if (round % 2) renderer->Unblock();
    else graphBusy = true;
    ASSERT_EQ(draw.wait_for(std::chrono::seconds(5)), std::future_status::ready) << "round " << round;
    EXPECT_EQ(draw.get(), DrawResult::kSkipped);
    EXPECT_EQ(frames.frontBuffer.load(), front) << "nothing is drawn without the lock";
    frameLock.unlock();
    graphBusy = false;
    renderer->Resume();
  }
  const int back = frames.backBuffer;
  ASSERT_TRUE(Draw(*renderer, frame));
  EXPECT_EQ(frames.frontBuffer.load(), back);
}

}  // namespace
}  // namespace quela::test
