// The transport of PlaybackGraph: play and pause, the seek tasks, the playback timers.
#include "playback/graph/playback_graph.h"
#include "playback/graph/transport_math.h"

namespace quela {

namespace {

constexpr std::chrono::milliseconds kStateWait{1000};
constexpr std::uint32_t kKeepDisplayOnPeriodMs = 15'000;
constexpr std::uint32_t kTimeTextPeriodMs = 1'000;

}  // namespace

bool PlaybackGraph::OnMainThread() const { return std::this_thread::get_id() == mainThread_; }

bool PlaybackGraph::TransportReady() const { return !graphBusy_.load() && HasGraph(); }

bool PlaybackGraph::SeekReady() const { return TransportReady() && seekable_.load(); }

GraphState PlaybackGraph::State(std::chrono::milliseconds timeout) const {
  const std::shared_ptr<MediaPipeline> graph = Graph();
  return graph ? graph->State(timeout) : GraphState::kStopped;
}

std::int64_t PlaybackGraph::Position() const {
  const std::shared_ptr<MediaPipeline> graph = Graph();
  return graph ? graph->Position().value_or(-1) : -1;
}

void PlaybackGraph::TogglePlayPause() {
  if (!TransportReady()) return;
  const std::shared_ptr<MediaPipeline> graph = Graph();
  switch (graph->State(kStateWait)) {
    case GraphState::kPaused:
      graph->Run();
      StartPlaybackTimers();
      paused_.store(false);
      break;
    case GraphState::kRunning:
      graph->Pause();
      StopPlaybackTimers();
      paused_.store(true);
      break;
    case GraphState::kStopped:
      break;
  }
}

void PlaybackGraph::PauseIfPlaying() { SetPlaying(false); }

void PlaybackGraph::PlayIfPaused() { SetPlaying(true); }

// A stopped graph stays stopped; a running or paused one ends up as asked.
void PlaybackGraph::SetPlaying(bool play) {
  if (!TransportReady()) return;
  const std::shared_ptr<MediaPipeline> graph = Graph();
  const GraphState state = graph->State(kStateWait);
  if (state == (play ? GraphState::kPaused : GraphState::kRunning)) {
    if (play) {
      graph->Run();
      StartPlaybackTimers();
    } else {
      graph->Pause();
      StopPlaybackTimers();
    }
  }
  if (state != GraphState::kStopped) paused_.store(!play);
}

void PlaybackGraph::SeekRelative(bool forward, std::int32_t seconds) {
  if (!SeekReady()) return;
  tasks_.Schedule([this, forward, seconds] { SeekTask(0, true, forward, seconds); });
}

void PlaybackGraph::SeekToPercent(std::int32_t percent) {
  if (!SeekReady()) return;
  tasks_.Schedule([this, percent] { SeekTask(PercentSeekTarget(percent, videoDuration_.load()), false, false, 0); });
}

// Task pool thread. The task keeps its own reference to the graph, so a teardown meanwhile
// only makes its calls fail.
void PlaybackGraph::SeekTask(std::int64_t target, bool relative, bool forward, std::int32_t seconds) {
  const std::shared_ptr<MediaPipeline> graph = Graph();
  if (graphBusy_.load() || !graph) return;
  StopPlaybackTimers();
  if (relative) {
    // Without a position the seek goes to the start.
    const std::optional<std::int64_t> current = graph->Position();
    target = current ? RelativeSeekTarget(*current, forward, seconds, videoDuration_.load()) : 0;
  }
  graph->Seek(target);
  graph->Pause();
  graph->State(settings_.settleTimeout);
  graph->Run();
  paused_.store(false);
  UpdateTimeText();
  StartPlaybackTimers();
}

void PlaybackGraph::StartPlaybackTimers() {
  if (!OnMainThread()) {
    if (host_.postMessage) host_.postMessage(WM_USER_PLAYBACKTIMERS, 1, 0);
    return;
  }
  if (!host_.setTimer) return;
  host_.setTimer(kKeepDisplayOnTimer, kKeepDisplayOnPeriodMs);
  host_.setTimer(kTimeTextTimer, kTimeTextPeriodMs);
}

void PlaybackGraph::StopPlaybackTimers() {
  if (!OnMainThread()) {
    if (host_.postMessage) host_.postMessage(WM_USER_PLAYBACKTIMERS, 0, 0);
    return;
  }
  if (!host_.killTimer) return;
  host_.killTimer(kKeepDisplayOnTimer);
  host_.killTimer(kTimeTextTimer);
}

void PlaybackGraph::HandlePlaybackTimersMessage(WPARAM start) {
  if (start) StartPlaybackTimers();
  else StopPlaybackTimers();
}

void PlaybackGraph::UpdateTimeText() {
  if (!SeekReady()) return;
  const std::int64_t current = Position();
  if (current < 0) return;
  const std::int64_t duration = videoDuration_.load();
  if (host_.setSeekBar) host_.setSeekBar(TimeText(current, duration), PositionPercent(current, duration));
}

void PlaybackGraph::KeepDisplayOn() {
  if (host_.keepDisplayOn) host_.keepDisplayOn();
}

void PlaybackGraph::WaitForSeekTasks() { tasks_.WaitIdle(); }

}  // namespace quela
