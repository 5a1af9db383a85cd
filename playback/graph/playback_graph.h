#pragma once
// The playback graph and its transport: opens a file into a GStreamer
// pipeline ending in the program's video sink (first with the component
// policy, then once without it), tears it down, turns its events into
// WM_USER_GRAPHNOTIFY work, and plays, pauses and seeks it. Everything runs on
// the main thread except the seek tasks, which run on the graph's task pool.
//
// Locking order, which rules out a deadlock between opening a file and a
// streaming thread that waits for FrameLock: OpenFile sets GraphBusy first,
// then takes FrameLock, and keeps GraphBusy set until the new graph runs and
// FrameLock is released. The frame renderer gives up waiting for FrameLock as
// soon as GraphBusy is set (and the sink's unlock wakes it on every flush and
// state change), so stopping the old graph, and prerolling the new one while
// FrameLock is held, never waits for a thread that waits for FrameLock.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "app/shell/messages.h"
#include "playback/convert/video_frame_buffer.h"
#include "playback/graph/media_pipeline.h"
#include "playback/graph/sink_statistics.h"
#include "playback/graph/task_pool.h"

typedef struct _GstElement GstElement;

namespace quela {

inline constexpr std::uint32_t ID_ADVANCED_LAVCONFIG = 32794;
inline constexpr char kVideoSinkElementName[] = "Direct2D Video Renderer";

// What the graph asks of the shell. Each may be empty; the thread is the caller's.
struct PlaybackGraphHost {
  PostMessageFn postMessage;                                              // any thread
  std::function<void(std::uint32_t id, std::uint32_t periodMs)> setTimer;  // main thread
  std::function<void(std::uint32_t id)> killTimer;                        // main thread
  std::function<void(const std::string& caption, const std::string& text)> showMessageBox;  // main thread
  std::function<void(std::uint32_t commandId, bool enabled)> enableMenuItem;                // main thread
  std::function<void()> setLayoutChanged;  // main thread: the frame renderer rebuilds its textures
  std::function<void()> keepDisplayOn;     // main thread: hold off the screen saver and display power-off
  // The in-headset GUI's seek bar: the time text and the position in percent. Main thread or a seek task.
  std::function<void(const std::string& text, std::int32_t percent)> setSeekBar;
  // Shows the configuration of the demuxer with this factory name. Main thread.
  std::function<void(const std::string& demuxer)> showDemuxerPages;
};

struct PlaybackGraphSettings {
  bool forceFallbackFilterSelect = false;  // FORCE_FALLBACK_FILTER_SELECT: never apply the component policy
  bool svpEnabledOnStart = false;          // SVP_ENABLED_ON_START
  std::string svpFilter;                   // SVP_FILTER: element factory name; empty for none
  std::string audioOutput = "autoaudiosink";  // gst-launch description of the audio output
  std::chrono::milliseconds prerollTimeout{10'000};
  std::chrono::milliseconds settleTimeout{10'000};  // a seek task's wait for the pipeline to pause
  std::mutex* frameLock = &FrameLock;
};

enum class StatisticsOutput { kLog, kStandardOutput };  // kStandardOutput: at shutdown, the log is detached

class PlaybackGraph {
 public:
  // videoSink: the program's sink element, created once and reused for every
  // file (a reference of ours is taken); statistics may be null. Main thread.
  PlaybackGraph(PlaybackGraphHost host, PlaybackGraphSettings settings, GstElement* videoSink,
                SinkStatistics* statistics);
  // Waits for the seek tasks, tears the graph down (statistics to standard output). Main thread.
  ~PlaybackGraph();
  PlaybackGraph(const PlaybackGraph&) = delete;
  PlaybackGraph& operator=(const PlaybackGraph&) = delete;

  // Opening and closing. Main thread.
  // Opens path (a path with '/' or '\' separators, or a URI) and starts playback; true on success.
  bool OpenFile(const std::string& path);
  // One attempt to build and run a graph; the graph stays for the next TeardownGraph either way.
  bool OpenFileFallbackCompatibility(const std::string& path, bool skipFilterSelection);
  // Stops and releases the graph and logs the sink's figures for the file; nothing without a graph.
  void TeardownGraph(StatisticsOutput output = StatisticsOutput::kLog);

  // WM_USER_GRAPHNOTIFY: takes the waiting events; at the end of the video (or an abort) a looping
  // video with a file restarts through WM_USER_SEEKPERCENT 0. True when the current graph reported
  // such an end (a notice left over from an earlier graph finds none). Main thread.
  bool HandleGraphEvents(bool loopEnabled, const std::string& currentFilePath);
  // Finds the demuxer in the current graph and shows its configuration; false when there is none. Main thread.
  bool ShowLavSplitterPages();
  // Menu command 32794. Main thread.
  void OpenLAVSpliiterConfigWindow();

  // Transport. Main thread, except where noted.
  void TogglePlayPause();
  void PauseIfPlaying();
  void PlayIfPaused();
  // Schedule a seek task when the graph is seekable and not busy.
  void SeekRelative(bool forward, std::int32_t seconds);
  void SeekToPercent(std::int32_t percent);
  // Timers 101 and 102. Any thread: off the main thread they are routed to it with WM_USER_PLAYBACKTIMERS.
  void StartPlaybackTimers();
  void StopPlaybackTimers();
  void HandlePlaybackTimersMessage(WPARAM start);
  // Timer 102 and the seek tasks: the time text and percent to the seek bar. Main thread or a seek task.
  void UpdateTimeText();
  // Timer 101.
  void KeepDisplayOn();

  // State. Any thread.
  bool GraphBusy() const { return graphBusy_.load(); }
  const std::atomic<bool>& GraphBusyFlag() const { return graphBusy_; }  // for the frame renderer
  bool HasGraph() const;
  bool Seekable() const { return seekable_.load(); }
  std::int64_t videoDuration() const { return videoDuration_.load(); }  // 100-ns units
  bool Paused() const { return paused_.load(); }
  // What rendering the file gave in the last attempt; S_OK before any.
  HRESULT LastRenderResult() const { return lastRenderResult_.load(); }
  void SetSvpEnabled(bool enabled) { svpEnabled_.store(enabled); }
  bool SvpEnabled() const { return svpEnabled_.load(); }
  // The current graph's state, waiting up to timeout for a change in progress; stopped without a graph.
  GraphState State(std::chrono::milliseconds timeout) const;
  // The current position (100-ns units); -1 without one.
  std::int64_t Position() const;
  // Returns when every seek task scheduled so far has finished. Main thread.
  void WaitForSeekTasks();

 private:
  std::shared_ptr<MediaPipeline> Graph() const;
  bool OnMainThread() const;
  bool TransportReady() const;
  void SetPlaying(bool play);
  bool SeekReady() const;
  void SeekTask(std::int64_t target, bool relative, bool forward, std::int32_t seconds);
  bool BuildAndRun(const std::string& path, bool skipFilterSelection, HRESULT& hr);
  bool AttemptCreateSVPRawVideo();
  void AttemptConnectSVPRawVideo();

  PlaybackGraphHost host_;
  const PlaybackGraphSettings settings_;
  GstElement* videoSink_;
  SinkStatistics* statistics_;
  const std::thread::id mainThread_;

  mutable std::mutex graphMutex_;  // graph_ against the seek tasks' copies
  std::shared_ptr<MediaPipeline> graph_;
  std::atomic<bool> graphBusy_{false};
  std::atomic<bool> seekable_{false};
  std::atomic<std::int64_t> videoDuration_{0};
  std::atomic<bool> paused_{true};
  std::atomic<HRESULT> lastRenderResult_{S_OK};
  std::atomic<bool> svpEnabled_;
  TaskPool tasks_{2};
};

}  // namespace quela
