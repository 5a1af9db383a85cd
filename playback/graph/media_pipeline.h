#pragma once
// The GStreamer side of one playback graph: a pipeline of uridecodebin, the
// program's video sink and an audio output, its control, seeking and events.
// The graph logic (playback_graph.h) drives it; nothing else includes GStreamer.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "app/shell/messages.h"
#include "playback/graph/render_outcome.h"

typedef struct _GstElement GstElement;

namespace quela {

class cGraphBuilderCB;

// Posts a window message to the main thread. Any thread.
using PostMessageFn = std::function<void(std::uint32_t message, WPARAM wParam, LPARAM lParam)>;

// Graph states as the transport sees them.
enum class GraphState { kStopped = 0, kPaused = 1, kRunning = 2 };

// Graph event codes.
inline constexpr long EC_COMPLETE = 1;
inline constexpr long EC_USERABORT = 2;
inline constexpr long EC_ERRORABORT = 3;

struct GraphEvent {
  long code = 0;     // EC_COMPLETE, EC_USERABORT or EC_ERRORABORT
  std::string text;  // the error's message; empty for EC_COMPLETE
};

// A reference of our own on an element (null stays null). Any thread.
GstElement* RefElement(GstElement* element);
void UnrefElement(GstElement* element);

// Untimed playback, for measuring throughput: the pipelines built from now on
// render every frame as soon as it is decoded, without waiting for the clock
// ("sync" off on the video sink and on every sink of the audio output).
// Process-wide; set it before the first file opens.
void SetUntimedPlayback(bool untimed);

// The location as a URI: file:// and other URIs are kept, a path (with '/'
// or '\' separators, relative to the working folder or absolute) becomes a file URI.
std::string LocationToUri(const std::string& location);

class MediaPipeline {
 public:
  // An empty pipeline with its uridecodebin; null when GStreamer cannot make one. Main thread.
  static std::shared_ptr<MediaPipeline> Create();
  ~MediaPipeline();
  MediaPipeline(const MediaPipeline&) = delete;
  MediaPipeline& operator=(const MediaPipeline&) = delete;

  // Building, main thread, before RenderFile.
  // Every component the auto-plugger considers is put to policy; it must outlive the pipeline.
  void SetSelectionPolicy(std::shared_ptr<const cGraphBuilderCB> policy);
  // Posts WM_USER_GRAPHNOTIFY for each end-of-stream and error; the events wait for NextEvent.
  bool SetNotify(PostMessageFn post);
  // Adds the video sink (a reference of ours), named name; false when it is in another pipeline.
  bool AddVideoSink(GstElement* sink, const char* name);
  bool CreateSvpElement(const std::string& factoryName);  // false when the factory does not exist
  bool AddSvpElement();                                   // false when it cannot join the pipeline

  // Renders uri and waits, up to timeout, for the pipeline to preroll in
  // PAUSED or fail; audioOutput is a gst-launch description of the audio
  // output ("autoaudiosink"). Main thread.
  RenderFacts RenderFile(const std::string& uri, const std::string& audioOutput, std::chrono::milliseconds timeout);

  // Control and seeking; any thread; false on failure and after Dismantle.
  bool Run();
  bool Pause();
  // The state, waiting up to timeout for a change in progress (which counts as its target); stopped on failure.
  GraphState State(std::chrono::milliseconds timeout);
  // Flushing seek to the key frame at or before position (100-ns units).
  bool Seek(std::int64_t position);
  std::optional<std::int64_t> Position();  // 100-ns units
  std::optional<std::int64_t> Duration();  // 100-ns units
  // Absolute seeking, position and duration are all available.
  bool CanSeek();

  // The next end-of-stream or error waiting on the bus, skipping other messages; none when drained. Main thread.
  std::optional<GraphEvent> NextEvent();
  // The factory name of the first demuxer in the pipeline. Main thread.
  std::optional<std::string> DemuxerName();

  // Stops the pipeline (NULL), takes the video sink back out so another
  // pipeline can use it and drops the notification. Main thread; idempotent.
  void Dismantle();

  // Streaming-thread entry points of the pipeline's signals; not for callers.
  struct Signals;

 private:
  MediaPipeline() = default;
  void LinkVideo(void* pad);
  void LinkAudio(void* pad);
  void RemoveVideoSink();

  GstElement* pipeline_ = nullptr;
  GstElement* decoder_ = nullptr;    // uridecodebin, owned by the pipeline
  GstElement* videoSink_ = nullptr;  // our reference
  GstElement* svpElement_ = nullptr; // our reference
  std::string audioOutput_;
  std::shared_ptr<const cGraphBuilderCB> policy_;
  std::atomic<bool> dismantled_{false};
  std::mutex controlMutex_;  // state changes and seeks against Dismantle

  std::mutex factsMutex_;  // the facts gathered on streaming threads
  RenderFacts facts_;
  bool videoLinked_ = false;
  bool audioLinked_ = false;
  bool audioOutputMissing_ = false;
  bool sourceMissing_ = false;
};

}  // namespace quela
