// DrawFrame per 1080p frame on llvmpipe: context switch, upload, the view draws
// and the fence, for each layout, with the render loop idle.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <vector>

#include "tests/support/frame_renderer_world.h"

namespace quela {
namespace {

void DrawFrame1080p(benchmark::State& state) {
  const auto mode = static_cast<StereoMode>(state.range(0));
  const bool debugText = state.range(1) != 0;
  test::FrameRendererWorld world;
  world.screen.SelectStereoMode(mode);
  world.showDebugInfo = debugText;
  CD2DRenderer renderer(world.sharedContext, world.Shared());
  const FrameFormat format{PixelFormat::kRGB32, 1920, 1080, false};
  std::vector<std::uint8_t> frame(1920 * 1080 * 4);
  for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<std::uint8_t>(i * 7);

  for (auto _ : state) {
    if (renderer.DrawFrame(frame.data(), 1920 * 4, format) != DrawResult::kDrawn) state.SkipWithError("not drawn");
    // What the render loop does with each frame; the wait makes the GPU work count.
    const std::lock_guard lock(world.frameLock);
    world.fences.WaitForDrawing(world.frames.frontBuffer.load());
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
