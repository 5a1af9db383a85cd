// DrawFrame per 1080p frame on llvmpipe: context switch, upload, the view draws
// and the fence, for each layout, with the render loop idle.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <vector>

#include "playback/renderer/d2d_renderer.h"
#include "platform/sdl_shared_context.h"
#include "tests/support/headless_gl.h"

namespace quela {
namespace {

void DrawFrame1080p(benchmark::State& state) {
  const auto mode = static_cast<StereoMode>(state.range(0));
  const bool debugText = state.range(1) != 0;
  test::HeadlessGl gl;
  SdlSharedContext shared(gl.window(), gl.context());
  ScreenState screen([](std::uint32_t, WPARAM, LPARAM) {});
  screen.SelectStereoMode(mode);
  std::atomic<bool> graphBusy{false};
  std::atomic<bool> showDebugInfo{debugText};
  VideoFrameBuffer frames;
  std::mutex frameLock;
  FrameFences fences;
  VideoStats stats;
  std::atomic<bool> statsRequest{false};
  CD2DRenderer renderer(shared,
                        {screen, graphBusy, showDebugInfo, nullptr, frames, frameLock, fences, stats, statsRequest});
  const FrameFormat format{PixelFormat::kRGB32, 1920, 1080, false};
  std::vector<std::uint8_t> frame(1920 * 1080 * 4);
  for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<std::uint8_t>(i * 7);

  for (auto _ : state) {
    if (renderer.DrawFrame(frame.data(), 1920 * 4, format) != DrawResult::kDrawn) state.SkipWithError("not drawn");
    // What the render loop does with each frame; the wait makes the GPU work count.
    const std::lock_guard lock(frameLock);
    fences.WaitForDrawing(frames.frontBuffer.load());
    glFinish();
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(DrawFrame1080p)
    ->ArgNames({"mode", "debugText"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace quela

BENCHMARK_MAIN();
