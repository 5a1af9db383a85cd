#pragma once
// A frame renderer's surroundings on the headless context: the GL context it shares, and copies of
// its own of the program state it reads and writes, so that tests and benchmarks leave the
// process-wide objects alone.
#include <atomic>
#include <mutex>

#include "playback/renderer/d2d_renderer.h"
#include "platform/sdl_shared_context.h"
#include "tests/support/headless_gl.h"

namespace quela::test {

struct FrameRendererWorld {
  FrameRendererShared Shared(VideoQuality* quality = nullptr) {
    return {screen, graphBusy, showDebugInfo, quality, frames, frameLock, fences, stats, statsRequest};
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

}  // namespace quela::test
