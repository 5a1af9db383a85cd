#pragma once
// A frame renderer on the headless context with its own shared state, and the
// frames and read-backs the tests draw and check.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "playback/renderer/d2d_renderer.h"
#include "platform/sdl_shared_context.h"
#include "tests/support/headless_gl.h"

namespace quela::test {

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

class FrameRendererTest : public ::testing::Test {
 protected:
  FrameRendererShared Shared(VideoQuality* quality = nullptr);
  std::unique_ptr<CD2DRenderer> MakeRenderer(float dpi = kLogicalDpi);
  DrawResult DrawResultOf(CD2DRenderer& renderer, const TestFrame& frame) {
    return renderer.DrawFrame(frame.bytes.data(), frame.stride, frame.format);
  }
  bool Draw(CD2DRenderer& renderer, const TestFrame& frame) {
    return DrawResultOf(renderer, frame) == DrawResult::kDrawn;
  }
  // The texture eye shows now, read through the main context once the
  // renderer's drawing has executed: rows top first, bytes R, G, B, A.
  // Call with frameLock held.
  std::vector<std::uint8_t> ReadFrontLocked(int eye);
  std::vector<std::uint8_t> ReadFront(int eye) {
    const std::lock_guard lock(frameLock);
    return ReadFrontLocked(eye);
  }

  HeadlessGl gl;
  SdlSharedContext sharedContext{gl.window(), gl.context()};
  ScreenState screen{[](std::uint32_t, WPARAM, LPARAM) {}};
  std::atomic<bool> graphBusy{false};
  std::atomic<bool> showDebugInfo{false};
  VideoFrameBuffer frames;
  std::mutex frameLock;
  FrameFences fences;
  VideoStats stats;
  std::atomic<bool> statsRequest{false};
};

// Pixel (x, y) of an R, G, B, A read-back of width pixels per row.
inline Bgra PixelAt(const std::vector<std::uint8_t>& rgba, int width, int x, int y) {
  const auto* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
  return {p[2], p[1], p[0], p[3]};
}

}  // namespace quela::test
