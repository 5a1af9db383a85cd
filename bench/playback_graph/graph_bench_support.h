#pragma once
// What the playback-graph benchmarks share: a frame renderer that only counts what reaches it,
// the sink's figures for the graph, and clips made once with GStreamer in the temp directory.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "playback/graph/playback_graph.h"
#include "playback/sink/d2d_video_render.h"

namespace quela::bench {

struct CountingRenderer : FrameRendererSink {
  std::atomic<long> frames{0};
  std::chrono::steady_clock::time_point firstAt;  // when frames went from 0 to 1
  void MediaTypeChanged(const FrameFormat&) override {}
  DrawResult DrawFrame(const std::uint8_t*, std::ptrdiff_t, const FrameFormat&) override {
    if (frames.load() == 0) firstAt = std::chrono::steady_clock::now();
    ++frames;
    return DrawResult::kDrawn;
  }
  void Unblock() override {}
  void Resume() override {}
};

struct SinkFigures : SinkStatistics {
  CD2DVideoRender* render = nullptr;
  QualityFigures FileFigures() override { return render->Figures(); }
};

// The clip `name` in the temp directory, made by the gst-launch-1.0 description `pipeline` (which
// must end in "filesink location=") unless it is there already; empty when it cannot be made.
inline std::filesystem::path Clip(const std::string& name, const std::string& pipeline) {
  const auto clip = std::filesystem::temp_directory_path() / name;
  if (std::filesystem::exists(clip)) return clip;
  const auto part = clip.string() + ".part";
  if (std::system(("gst-launch-1.0 -q -e " + pipeline + part + " > /dev/null 2>&1").c_str()) != 0) return {};
  std::error_code error;
  std::filesystem::rename(part, clip, error);
  return error ? std::filesystem::path() : clip;
}

}  // namespace quela::bench
