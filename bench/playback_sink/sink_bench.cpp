// Untimed playback of a decoded 1080p H.264 clip (300 frames, made once with
// x264enc in a temporary file): decoding alone, decoding into our sink, and
// decoding through videoconvert to BGRA into a fakesink, in the same run.
// Wall-clock times of whole clips; frames/s as a rate counter.
#include <benchmark/benchmark.h>
#include <gst/gst.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include "playback/sink/d2d_video_render.h"
#include "playback/sink/video_sink_element.h"
#include "tests/support/play_until_end.h"

namespace quela {
namespace {

constexpr int kClipFrames = 300;

// Takes every frame as drawn, touching nothing: what remains is the sink's own cost.
class CountingRenderer : public FrameRendererSink {
 public:
  void MediaTypeChanged(const FrameFormat&) override {}
  DrawResult DrawFrame(const std::uint8_t*, std::ptrdiff_t, const FrameFormat&) override {
    frames.fetch_add(1);
    return DrawResult::kDrawn;
  }
  void Unblock() override {}
  void Resume() override {}
  std::atomic<int> frames{0};
};

bool RunToEnd(GstElement* pipeline) {
  const bool ended = test::PlayUntilEnd(pipeline, 300 * GST_SECOND) == GST_MESSAGE_EOS;
  gst_element_set_state(pipeline, GST_STATE_NULL);
  return ended;
}

GstElement* Launch(const std::string& description) {
  GError* error = nullptr;
  GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
  if (error) g_error_free(error);
  return pipeline;
}

class Clip {
 public:
  Clip() {
    char pattern[] = "/tmp/quela-sink-bench-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd < 0) return;
    close(fd);
    path_ = pattern;
    GstElement* encoder = Launch("videotestsrc num-buffers=" + std::to_string(kClipFrames) +
                                 " pattern=ball ! video/x-raw,format=I420,width=1920,height=1080,framerate=30/1 ! "
                                 "x264enc speed-preset=ultrafast ! h264parse ! mp4mux ! filesink location=" + path_);
    ok_ = encoder && RunToEnd(encoder);
    if (encoder) gst_object_unref(encoder);
  }
  ~Clip() {
    if (!path_.empty()) unlink(path_.c_str());
  }
  bool ok() const { return ok_; }
  std::string Decoder() const { return "filesrc location=" + path_ + " ! qtdemux ! h264parse ! avdec_h264"; }

 private:
  std::string path_;
  bool ok_ = false;
};

const Clip& TheClip() {
  static const Clip clip;
  return clip;
}

void RunPipelines(benchmark::State& state, const std::string& tail, FrameRendererSink* renderer) {
  if (!TheClip().ok()) {
    state.SkipWithError("could not make the H.264 clip");
    return;
  }
  for (auto _ : state) {
    GstElement* pipeline = Launch(TheClip().Decoder() + " ! " + tail);
    if (renderer) {
      GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
      VideoRendererOf(sink)->SetFrameRenderer(renderer);
      gst_object_unref(sink);
    }
    const bool ended = RunToEnd(pipeline);
    gst_object_unref(pipeline);
    if (!ended) {
      state.SkipWithError("the pipeline did not reach its end");
      return;
    }
  }
  state.counters["frames/s"] = benchmark::Counter(double{kClipFrames} * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_DecodeOnly(benchmark::State& state) { RunPipelines(state, "fakesink sync=false", nullptr); }

void BM_DecodeIntoQuelaSink(benchmark::State& state) {
  CountingRenderer renderer;
  RunPipelines(state, "quelavideosink name=sink sync=false", &renderer);
  state.counters["drawn"] = renderer.frames.load() / static_cast<double>(state.iterations());
}

void BM_DecodeThroughVideoconvertToBgra(benchmark::State& state) {
  RunPipelines(state, "videoconvert ! video/x-raw,format=BGRA ! fakesink sync=false", nullptr);
}

BENCHMARK(BM_DecodeOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_DecodeIntoQuelaSink)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_DecodeThroughVideoconvertToBgra)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
}  // namespace quela

int main(int argc, char** argv) {
  if (!quela::RegisterVideoSinkClass()) return 1;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
