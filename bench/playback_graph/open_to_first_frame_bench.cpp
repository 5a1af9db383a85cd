// Time from OpenFile to the first frame handed to the frame renderer, for a
// 1080p H.264 MP4, through the program's own sink and the preferred components.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/playback_graph/graph_bench_support.h"
#include "playback/sink/video_sink_element.h"

namespace quela {
namespace {

using Clock = std::chrono::steady_clock;

std::filesystem::path Clip() {
  return bench::Clip("quela-bench-1080p-i420.mp4",
                     "videotestsrc num-buffers=120 pattern=ball ! video/x-raw,format=I420,width=1920,height=1080,framerate=24/1 "
                     "! x264enc speed-preset=ultrafast ! h264parse ! mp4mux ! filesink location=");
}

void OpenToFirstFrame(benchmark::State& state) {
  const auto clip = Clip();
  if (clip.empty() || !RegisterVideoSinkClass()) {
    state.SkipWithError("no clip or no sink");
    return;
  }
  ElementRef element = CreateVideoSink();
  bench::SinkFigures figures;
  figures.render = VideoRendererOf(element.get());
  bench::CountingRenderer renderer;
  figures.render->SetFrameRenderer(&renderer);
  PlaybackGraphSettings settings;
  settings.audioOutput = "fakeaudiosink";
  PlaybackGraph graph(PlaybackGraphHost{}, settings, element.get(), &figures);
  for (auto _ : state) {
    renderer.frames = 0;
    const auto start = Clock::now();
    if (!graph.OpenFile(clip.string())) {
      state.SkipWithError("the clip did not open");
      break;
    }
    while (renderer.frames.load() == 0) std::this_thread::yield();
    state.SetIterationTime(std::chrono::duration<double>(renderer.firstAt - start).count());
    state.PauseTiming();
    graph.TeardownGraph();
    state.ResumeTiming();
  }
  figures.render->SetFrameRenderer(nullptr);
}
BENCHMARK(OpenToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
}  // namespace quela

BENCHMARK_MAIN();
