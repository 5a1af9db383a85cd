// Time from OpenFile to the first frame handed to the frame renderer, for a
// 1080p H.264 MP4, through the program's own sink and the preferred components.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "playback/graph/playback_graph.h"
#include "playback/sink/d2d_video_render.h"
#include "playback/sink/video_sink_element.h"

namespace quela {
namespace {

using Clock = std::chrono::steady_clock;

struct FirstFrame : FrameRendererSink {
  std::atomic<bool> seen{false};
  Clock::time_point at;
  void MediaTypeChanged(const FrameFormat&) override {}
  DrawResult DrawFrame(const std::uint8_t*, std::ptrdiff_t, const FrameFormat&) override {
    if (!seen.exchange(true)) at = Clock::now();
    return DrawResult::kDrawn;
  }
  void Unblock() override {}
  void Resume() override {}
};

struct Figures : SinkStatistics {
  CD2DVideoRender* render = nullptr;
  QualityFigures FileFigures() override { return render->Figures(); }
};

std::filesystem::path Clip() {
  const auto clip = std::filesystem::temp_directory_path() / "quela-bench-1080p.mp4";
  if (!std::filesystem::exists(clip)) {
    const std::string command =
        "gst-launch-1.0 -q -e videotestsrc num-buffers=120 pattern=ball "
        "! video/x-raw,width=1920,height=1080,framerate=24/1 ! x264enc speed-preset=ultrafast "
        "! h264parse ! mp4mux ! filesink location=" + clip.string() + " > /dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return {};
  }
  return clip;
}

void OpenToFirstFrame(benchmark::State& state) {
  const auto clip = Clip();
  if (clip.empty() || !RegisterVideoSinkClass()) {
    state.SkipWithError("no clip or no sink");
    return;
  }
  ElementRef element = CreateVideoSink();
  Figures figures;
  figures.render = VideoRendererOf(element.get());
  FirstFrame renderer;
  figures.render->SetFrameRenderer(&renderer);
  PlaybackGraphSettings settings;
  settings.audioOutput = "fakeaudiosink";
  PlaybackGraph graph(PlaybackGraphHost{}, settings, element.get(), &figures);
  for (auto _ : state) {
    renderer.seen = false;
    const auto start = Clock::now();
    if (!graph.OpenFile(clip.string())) {
      state.SkipWithError("the clip did not open");
      break;
    }
    while (!renderer.seen) std::this_thread::yield();
    state.SetIterationTime(std::chrono::duration<double>(renderer.at - start).count());
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
