#include "playback/graph/playback_graph.h"

#include <cstdio>

#include "app/log/g2log.h"
#include "playback/graph/graph_builder_cb.h"

namespace quela {

namespace {

constexpr char kFallbackCaption[] = "Quela - Video Filter Problem";
constexpr char kFallbackText[] =
    "Filters on PC incompatible with Quela, Please Install GStreamer libav and use\n"
    "sudo apt install gstreamer1.0-libav gstreamer1.0-plugins-base gstreamer1.0-plugins-good "
    "gstreamer1.0-plugins-bad (https://gstreamer.freedesktop.org/documentation/installing/on-linux.html) \n"
    "to set libav as Preferred";

}  // namespace

PlaybackGraph::PlaybackGraph(PlaybackGraphHost host, PlaybackGraphSettings settings, GstElement* videoSink,
                             SinkStatistics* statistics)
    : host_(std::move(host)),
      settings_(std::move(settings)),
      videoSink_(RefElement(videoSink)),
      statistics_(statistics),
      mainThread_(std::this_thread::get_id()),
      svpEnabled_(settings_.svpEnabledOnStart) {}

PlaybackGraph::~PlaybackGraph() {
  tasks_.WaitIdle();
  TeardownGraph(StatisticsOutput::kStandardOutput);
  UnrefElement(videoSink_);
}

std::shared_ptr<MediaPipeline> PlaybackGraph::Graph() const {
  std::lock_guard lock(graphMutex_);
  return graph_;
}

bool PlaybackGraph::HasGraph() const { return Graph() != nullptr; }

bool PlaybackGraph::OpenFile(const std::string& path) {
  // GraphBusy before FrameLock: a streaming thread waiting for FrameLock gives up (see the header).
  graphBusy_.exchange(true);
  std::unique_lock frameLock(*settings_.frameLock);
  if (host_.setLayoutChanged) host_.setLayoutChanged();
  TeardownGraph();
  LOG(INFO) << "Opening File Begin";
  bool ok = OpenFileFallbackCompatibility(path, settings_.forceFallbackFilterSelect);
  if (ok) {
    LOG(INFO) << "Opening File Success";
  } else {
    TeardownGraph();
    LOG(INFO) << "Fallback Attempt Begin";
    ok = OpenFileFallbackCompatibility(path, true);
    if (ok) {
      LOG(INFO) << "Fallback Attempt Success";
    } else {
      LOG(WARNING) << "Fallback Attempt FAILED";
      if (host_.showMessageBox) host_.showMessageBox(kFallbackCaption, kFallbackText);
    }
  }
  if (ok) {
    paused_.store(false);
    if (const std::shared_ptr<MediaPipeline> graph = Graph(); graph->CanSeek()) {
      if (const std::optional<std::int64_t> duration = graph->Duration()) {
        videoDuration_.store(*duration);
        seekable_.store(true);
      }
    }
    if (host_.enableMenuItem) host_.enableMenuItem(ID_ADVANCED_LAVCONFIG, true);
  }
  frameLock.unlock();
  graphBusy_.store(false);
  return ok;
}

bool PlaybackGraph::OpenFileFallbackCompatibility(const std::string& path, bool skipFilterSelection) {
  HRESULT hr = S_OK;
  const bool result = BuildAndRun(path, skipFilterSelection, hr);
  if (!result) LOGF(WARNING, "COM ERROR, %s", HresultText(hr).c_str());
  return result;
}

// The steps of one attempt; a failing step logs its line, sets hr and ends the attempt.
bool PlaybackGraph::BuildAndRun(const std::string& path, bool skipFilterSelection, HRESULT& hr) {
  const auto fail = [&hr](const char* line, HRESULT code) {
    LOG(WARNING) << line;
    hr = code;
    return false;
  };
  auto policy = std::make_shared<const cGraphBuilderCB>(svpEnabled_, settings_.svpFilter);
  const std::shared_ptr<MediaPipeline> graph = MediaPipeline::Create();
  if (!graph) return fail("Initial Graph Create FAILED", E_FAIL);
  {
    std::lock_guard lock(graphMutex_);
    graph_ = graph;
  }
  LOG(INFO) << "Graph Created";
  if (!skipFilterSelection) {
    LOG(INFO) << "Registering GraphCallBack Selection Filter";
    graph->SetSelectionPolicy(std::move(policy));
  }
  // The pipeline is its own control and seeking interface; its bus carries the events.
  LOG(INFO) << "IID_IMediaControl Created";
  LOG(INFO) << "IID_IMediaSeeking Created";
  if (!graph->SetNotify(host_.postMessage ? host_.postMessage : PostMessageFn([](std::uint32_t, WPARAM, LPARAM) {})))
    return fail("IID_IMediaEventEx FAILED", E_NOINTERFACE);
  LOG(INFO) << "IID_IMediaEventEx Created";
  if (!videoSink_) return fail("IID_IVideoRenderer FAILED", E_NOINTERFACE);
  LOG(INFO) << "IID_IVideoRenderer Created";
  if (!statistics_) return fail("IID_IQualProp FAILED", E_NOINTERFACE);
  LOG(INFO) << "IID_IQualProp Created";
  if (!graph->AddVideoSink(videoSink_, kVideoSinkElementName)) return fail("RenderFilter FAILED", E_FAIL);
  LOG(INFO) << "RenderFilter Added, Begin Attempt to Make Graph Ready";
  if (svpEnabled_.load() && AttemptCreateSVPRawVideo()) AttemptConnectSVPRawVideo();

  hr = RenderResult(graph->RenderFile(LocationToUri(path), settings_.audioOutput, settings_.prerollTimeout));
  lastRenderResult_.store(hr);
  if (Failed(hr)) return fail(RenderFileLogLine(hr), hr);
  LOG(INFO) << RenderFileLogLine(hr);
  if (!graph->Run()) return fail("Graph Ready, Begin Attempt FAILED", E_FAIL);
  LOG(INFO) << "Graph Ready, Begin Attempt Success!";
  StartPlaybackTimers();
  return true;
}

bool PlaybackGraph::AttemptCreateSVPRawVideo() {
  const std::shared_ptr<MediaPipeline> graph = Graph();
  if (!graph->CreateSvpElement(settings_.svpFilter)) {
    LOGF(WARNING, "SVP Raw Video Filter \"%s\" does not exist, or could not be created", settings_.svpFilter.c_str());
    return false;
  }
  LOG(INFO) << "Found SVP Raw Video Filter, Possible SVP Usage";
  return true;
}

void PlaybackGraph::AttemptConnectSVPRawVideo() {
  if (Graph()->AddSvpElement()) LOG(INFO) << "SVP Raw Video Added (SVP Support)";
  else LOG(WARNING) << "SVP Raw Video Filter could not be added";
}

void PlaybackGraph::TeardownGraph(StatisticsOutput output) {
  std::shared_ptr<MediaPipeline> graph = Graph();
  if (!graph) return;
  const bool wasBusy = graphBusy_.exchange(true);
  graph->Dismantle();
  {
    std::lock_guard lock(graphMutex_);
    graph_.reset();
  }
  if (statistics_) {
    const std::string line = StatisticsLine(statistics_->FileFigures());
    if (output == StatisticsOutput::kLog) LOG(INFO) << line;
    else std::printf("%s\n", line.c_str());
  }
  graphBusy_.store(wasBusy);
}

bool PlaybackGraph::HandleGraphEvents(bool loopEnabled, const std::string& currentFilePath) {
  const std::shared_ptr<MediaPipeline> graph = Graph();
  if (graphBusy_.load() || !graph) return false;
  bool ended = false;
  while (const std::optional<GraphEvent> event = graph->NextEvent()) {
    if (event->code != EC_COMPLETE) LOGF(WARNING, "Graph Event %ld, %s", event->code, event->text.c_str());
    if (loopEnabled && !currentFilePath.empty() && host_.postMessage) host_.postMessage(WM_USER_SEEKPERCENT, 0, 0);
    ended = true;
  }
  return ended;
}

bool PlaybackGraph::ShowLavSplitterPages() {
  const std::shared_ptr<MediaPipeline> graph = Graph();
  const std::optional<std::string> demuxer = graph ? graph->DemuxerName() : std::nullopt;
  if (!demuxer) return false;
  if (host_.showDemuxerPages) host_.showDemuxerPages(*demuxer);
  return true;
}

void PlaybackGraph::OpenLAVSpliiterConfigWindow() {
  if (!HasGraph() || graphBusy_.load() || ShowLavSplitterPages()) return;
  LOG(INFO) << "Could not Open GStreamer Demuxer Config Window, not being used in filter graph!";
  if (host_.showMessageBox)
    host_.showMessageBox("Quela - OpenLAVSpliiterConfigWindow()", "GStreamer Demuxer is not being used in Filter Graph!");
  if (host_.enableMenuItem) host_.enableMenuItem(ID_ADVANCED_LAVCONFIG, false);
}

}  // namespace quela
