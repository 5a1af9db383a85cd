#include "playback/graph/media_pipeline.h"

#include <gst/gst.h>

#include <filesystem>
#include <string_view>

#include "app/log/g2log.h"
#include "playback/graph/graph_builder_cb.h"

namespace quela {

namespace {

// uridecodebin's autoplug-select answers; the enum is not in an installed header.
enum AutoplugSelectResult { kAutoplugTry = 0, kAutoplugExpose = 1, kAutoplugSkip = 2 };

constexpr char kNoMorePads[] = "quela-no-more-pads";
constexpr GstClockTime kNsPerUnit = 100;

std::atomic<bool> untimedPlayback{false};

bool StartsWith(const gchar* text, std::string_view prefix) {
  return text && std::string_view(text).starts_with(prefix);
}

const gchar* CapsName(GstCaps* caps) {
  return caps && gst_caps_get_size(caps) > 0 ? gst_structure_get_name(gst_caps_get_structure(caps, 0)) : "";
}

const char* FactoryName(GstElement* element) {
  GstElementFactory* factory = gst_element_get_factory(element);
  return factory ? GST_OBJECT_NAME(factory) : "";
}

// The bus's sync handler data; freed by the bus when the handler is replaced.
struct BusNotify {
  PostMessageFn post;
};

GstBusSyncReply OnBusMessage(GstBus*, GstMessage* message, gpointer data) {
  if (GST_MESSAGE_TYPE(message) & (GST_MESSAGE_EOS | GST_MESSAGE_ERROR))
    static_cast<BusNotify*>(data)->post(WM_USER_GRAPHNOTIFY, 0, 0);
  return GST_BUS_PASS;
}

void DeleteBusNotify(gpointer data) { delete static_cast<BusNotify*>(data); }

// An error of the pipeline as the reason rendering stopped:
//   RESOURCE NOT_FOUND                     -> kFileNotFound
//   RESOURCE OPEN_READ, NOT_AUTHORIZED     -> kAccessDenied
//   CORE MISSING_PLUGIN                    -> kNoSource (no URI handler), else kNoDecoder
//   STREAM CODEC_NOT_FOUND                 -> kNoDecoder
//   STREAM TYPE_NOT_FOUND, WRONG_TYPE      -> kUnknownType
//   STREAM DEMUX                           -> kCorrupt
//   STREAM DECODE                          -> kUnsupportedStream
//   CORE NEGOTIATION, STREAM FORMAT,
//   a flow error "not-negotiated"          -> kNotNegotiated
//   anything else                          -> kOther
RenderFailure ClassifyError(GstMessage* message, bool sourceMissing) {
  GError* error = nullptr;
  gchar* debug = nullptr;
  gst_message_parse_error(message, &error, &debug);
  const GstStructure* details = nullptr;
  gst_message_parse_error_details(message, &details);
  gint flow = GST_FLOW_OK;
  if (details) gst_structure_get_enum(details, "flow-return", GST_TYPE_FLOW_RETURN, &flow);
  const bool notNegotiated = flow == GST_FLOW_NOT_NEGOTIATED || (debug && std::string_view(debug).find("not-negotiated") != std::string_view::npos);

  RenderFailure failure = RenderFailure::kOther;
  if (error->domain == GST_RESOURCE_ERROR) {
    if (error->code == GST_RESOURCE_ERROR_NOT_FOUND) failure = RenderFailure::kFileNotFound;
    else if (error->code == GST_RESOURCE_ERROR_OPEN_READ || error->code == GST_RESOURCE_ERROR_NOT_AUTHORIZED)
      failure = RenderFailure::kAccessDenied;
  } else if (error->domain == GST_CORE_ERROR) {
    if (error->code == GST_CORE_ERROR_MISSING_PLUGIN)
      failure = sourceMissing ? RenderFailure::kNoSource : RenderFailure::kNoDecoder;
    else if (error->code == GST_CORE_ERROR_NEGOTIATION) failure = RenderFailure::kNotNegotiated;
  } else if (error->domain == GST_STREAM_ERROR) {
    switch (error->code) {
      case GST_STREAM_ERROR_CODEC_NOT_FOUND: failure = RenderFailure::kNoDecoder; break;
      case GST_STREAM_ERROR_TYPE_NOT_FOUND:
      case GST_STREAM_ERROR_WRONG_TYPE: failure = RenderFailure::kUnknownType; break;
      case GST_STREAM_ERROR_DEMUX: failure = RenderFailure::kCorrupt; break;
      case GST_STREAM_ERROR_DECODE: failure = RenderFailure::kUnsupportedStream; break;
      case GST_STREAM_ERROR_FORMAT: failure = RenderFailure::kNotNegotiated; break;
      default: break;
    }
  }
  if (failure == RenderFailure::kOther && notNegotiated) failure = RenderFailure::kNotNegotiated;
  LOGF(DEBUG, "Rendering stopped: %s (%s)", error->message, debug ? debug : "");
  g_error_free(error);
  g_free(debug);
  return failure;
}

// Whether the audio output ended up on a fake sink that its description did
// not ask for (autoaudiosink does that when no sound device works).
bool FellBackToFakeSink(GstElement* output, const std::string& description) {
  if (!GST_IS_BIN(output) || description.find("fake") != std::string::npos) return false;
  bool fake = false;
  GstIterator* it = gst_bin_iterate_recurse(GST_BIN(output));
  GValue item = G_VALUE_INIT;
  while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
    const std::string name = FactoryName(GST_ELEMENT(g_value_get_object(&item)));
    if (name == "fakesink" || name == "fakeaudiosink") fake = true;
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(it);
  return fake;
}

// Every sink inside output is put to the policy, for its log line; the system's choice stands.
void ReportAudioOutput(GstElement* output, const cGraphBuilderCB& policy) {
  GstIterator* it = gst_bin_iterate_sinks(GST_BIN(output));
  GValue item = G_VALUE_INIT;
  while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
    GstElement* element = GST_ELEMENT(g_value_get_object(&item));
    const gchar* klass = gst_element_get_metadata(element, GST_ELEMENT_METADATA_KLASS);
    if (!policy.SelectedFilter(FactoryName(element), klass ? klass : "") && GST_IS_BIN(element))
      ReportAudioOutput(element, policy);
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(it);
}

void StopSyncing(GstElement* element) {
  if (GST_OBJECT_FLAG_IS_SET(element, GST_ELEMENT_FLAG_SINK) &&
      g_object_class_find_property(G_OBJECT_GET_CLASS(element), "sync"))
    g_object_set(element, "sync", FALSE, nullptr);
}

// Untimed playback: output and every sink inside it stop waiting for the clock.
void StopSyncingAll(GstElement* output) {
  StopSyncing(output);
  if (!GST_IS_BIN(output)) return;
  GstIterator* it = gst_bin_iterate_recurse(GST_BIN(output));
  GValue item = G_VALUE_INIT;
  while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
    StopSyncing(GST_ELEMENT(g_value_get_object(&item)));
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(it);
}

// Adds elements to bin, links them in order and brings them to the bin's state; false leaves nothing behind.
bool AddChain(GstElement* bin, std::initializer_list<GstElement*> chain) {
  for (GstElement* element : chain) gst_bin_add(GST_BIN(bin), element);
  bool linked = true;
  for (auto it = chain.begin(); linked && it + 1 != chain.end(); ++it) linked = gst_element_link(*it, *(it + 1));
  if (linked)
    for (GstElement* element : chain) linked = linked && gst_element_sync_state_with_parent(element);
  if (!linked)
    for (GstElement* element : chain) {
      gst_element_set_state(element, GST_STATE_NULL);
      gst_bin_remove(GST_BIN(bin), element);
    }
  return linked;
}

}  // namespace

struct MediaPipeline::Signals {
  static gint AutoplugSelect(GstElement*, GstPad*, GstCaps*, GstElementFactory* factory, gpointer data) {
    const cGraphBuilderCB* policy = static_cast<MediaPipeline*>(data)->policy_.get();
    const char* klass = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS);
    return policy->SelectedFilter(GST_OBJECT_NAME(factory), klass ? klass : "") ? kAutoplugTry : kAutoplugSkip;
  }

  static void UnknownType(GstElement*, GstPad*, GstCaps* caps, gpointer data) {
    auto* self = static_cast<MediaPipeline*>(data);
    const gchar* name = CapsName(caps);
    std::lock_guard lock(self->factsMutex_);
    if (StartsWith(name, "video/") || StartsWith(name, "image/")) self->facts_.videoStream = true;
    else if (StartsWith(name, "audio/")) self->facts_.audioStream = true;
    else self->facts_.otherStreamLeft = true;
  }

  static void PadAdded(GstElement*, GstPad* pad, gpointer data) {
    auto* self = static_cast<MediaPipeline*>(data);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps) caps = gst_pad_query_caps(pad, nullptr);
    const std::string name = CapsName(caps);
    if (caps) gst_caps_unref(caps);
    if (name.starts_with("video/x-raw")) self->LinkVideo(pad);
    else if (name.starts_with("audio/x-raw")) self->LinkAudio(pad);
    else {
      std::lock_guard lock(self->factsMutex_);
      self->facts_.otherStreamLeft = true;
    }
  }

  static void NoMorePads(GstElement*, gpointer data) {
    auto* self = static_cast<MediaPipeline*>(data);
    gst_element_post_message(self->pipeline_, gst_message_new_application(GST_OBJECT(self->pipeline_),
                                                                          gst_structure_new_empty(kNoMorePads)));
  }
};

void SetUntimedPlayback(bool untimed) { untimedPlayback.store(untimed); }

GstElement* RefElement(GstElement* element) { return element ? GST_ELEMENT(gst_object_ref_sink(element)) : nullptr; }
void UnrefElement(GstElement* element) {
  if (element) gst_object_unref(element);
}

std::string LocationToUri(const std::string& location) {
  if (gst_uri_is_valid(location.c_str())) return location;
  std::string path = location;
  for (char& c : path)
    if (c == '\\') c = '/';
  std::error_code ignored;
  const std::string absolute = std::filesystem::absolute(path, ignored).lexically_normal().string();
  gchar* uri = gst_filename_to_uri(absolute.c_str(), nullptr);
  std::string result = uri ? uri : "";
  g_free(uri);
  return result;
}

std::shared_ptr<MediaPipeline> MediaPipeline::Create() {
  if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, nullptr)) return nullptr;
  GstElement* pipeline = gst_pipeline_new("Quela Graph");
  GstElement* decoder = gst_element_factory_make("uridecodebin", nullptr);
  if (!pipeline || !decoder) {
    UnrefElement(RefElement(pipeline));
    UnrefElement(RefElement(decoder));
    return nullptr;
  }
  std::shared_ptr<MediaPipeline> graph(new MediaPipeline);
  graph->pipeline_ = pipeline;
  graph->decoder_ = decoder;
  gst_bin_add(GST_BIN(pipeline), decoder);
  MediaPipeline* self = graph.get();
  g_signal_connect(graph->decoder_, "pad-added", G_CALLBACK(Signals::PadAdded), self);
  g_signal_connect(graph->decoder_, "no-more-pads", G_CALLBACK(Signals::NoMorePads), self);
  g_signal_connect(graph->decoder_, "unknown-type", G_CALLBACK(Signals::UnknownType), self);
  return graph;
}

MediaPipeline::~MediaPipeline() {
  Dismantle();
  UnrefElement(svpElement_);
  if (pipeline_) gst_object_unref(pipeline_);
}

void MediaPipeline::SetSelectionPolicy(std::shared_ptr<const cGraphBuilderCB> policy) {
  policy_ = std::move(policy);
  g_signal_connect(decoder_, "autoplug-select", G_CALLBACK(Signals::AutoplugSelect), this);
}

bool MediaPipeline::SetNotify(PostMessageFn post) {
  GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(pipeline_));
  if (!bus) return false;
  gst_bus_set_sync_handler(bus, OnBusMessage, new BusNotify{std::move(post)}, DeleteBusNotify);
  gst_object_unref(bus);
  return true;
}

bool MediaPipeline::AddVideoSink(GstElement* sink, const char* name) {
  if (!sink || GST_OBJECT_PARENT(sink)) return false;
  if (g_strcmp0(GST_OBJECT_NAME(sink), name) != 0 && !gst_object_set_name(GST_OBJECT(sink), name)) return false;
  if (!gst_bin_add(GST_BIN(pipeline_), sink)) return false;
  if (untimedPlayback.load()) StopSyncing(sink);
  videoSink_ = RefElement(sink);
  return true;
}

bool MediaPipeline::CreateSvpElement(const std::string& factoryName) {
  if (factoryName.empty()) return false;
  GstElement* element = gst_element_factory_make(factoryName.c_str(), "SVP Raw Video Filter");
  if (!element) return false;
  svpElement_ = RefElement(element);  // the floating reference becomes ours
  return true;
}

bool MediaPipeline::AddSvpElement() {
  return svpElement_ && !GST_OBJECT_PARENT(svpElement_) && gst_bin_add(GST_BIN(pipeline_), svpElement_);
}

// Streaming thread: decoder pad -> [SVP element] -> videoconvert -> video sink.
void MediaPipeline::LinkVideo(void* padPointer) {
  auto* pad = static_cast<GstPad*>(padPointer);
  std::lock_guard lock(factsMutex_);
  facts_.videoStream = true;
  if (videoLinked_ || !videoSink_) return;
  GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
  if (!convert) return;
  gst_bin_add(GST_BIN(pipeline_), convert);
  GstElement* first = convert;
  if (svpElement_ && GST_OBJECT_PARENT(svpElement_)) {
    if (gst_element_link(svpElement_, convert)) first = svpElement_;
    else LOG(WARNING) << "SVP Raw Video Filter could not be connected, video goes round it";
  }
  GstPad* sinkPad = gst_element_get_static_pad(first, "sink");
  bool linked = gst_element_link(convert, videoSink_) && GST_PAD_LINK_SUCCESSFUL(gst_pad_link(pad, sinkPad));
  gst_object_unref(sinkPad);
  if (linked && first == svpElement_) linked = gst_element_sync_state_with_parent(svpElement_);
  if (linked) linked = gst_element_sync_state_with_parent(convert);
  if (!linked) {
    gst_element_unlink(convert, videoSink_);
    gst_element_set_state(convert, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(pipeline_), convert);
  }
  videoLinked_ = linked;
}

// Streaming thread: decoder pad -> audioconvert -> audioresample -> audio output, or a
// fake output when no sound device works.
void MediaPipeline::LinkAudio(void* padPointer) {
  auto* pad = static_cast<GstPad*>(padPointer);
  std::lock_guard lock(factsMutex_);
  facts_.audioStream = true;
  if (audioLinked_) return;
  GError* error = nullptr;
  GstElement* output = gst_parse_bin_from_description(audioOutput_.c_str(), TRUE, &error);
  if (error) g_clear_error(&error);
  if (output && gst_element_set_state(output, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
    gst_element_set_state(output, GST_STATE_NULL);
    gst_object_unref(gst_object_ref_sink(output));
    output = nullptr;
  }
  if (output) {
    audioOutputMissing_ = FellBackToFakeSink(output, audioOutput_);
    if (policy_) ReportAudioOutput(output, *policy_);
  } else {
    LOGF(WARNING, "Audio output \"%s\" does not work, audio is not rendered", audioOutput_.c_str());
    audioOutputMissing_ = true;
    output = gst_element_factory_make("fakeaudiosink", nullptr);
    if (output) g_object_set(output, "sync", TRUE, nullptr);
  }
  if (output && untimedPlayback.load()) StopSyncingAll(output);
  GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
  GstElement* resample = gst_element_factory_make("audioresample", nullptr);
  if (!output || !convert || !resample) {
    for (GstElement* element : {output, convert, resample})
      if (element) gst_object_unref(gst_object_ref_sink(element));
    return;
  }
  if (!AddChain(pipeline_, {convert, resample, output})) return;
  GstPad* sinkPad = gst_element_get_static_pad(convert, "sink");
  audioLinked_ = GST_PAD_LINK_SUCCESSFUL(gst_pad_link(pad, sinkPad));
  gst_object_unref(sinkPad);
}

void MediaPipeline::RemoveVideoSink() {
  if (!videoSink_ || GST_OBJECT_PARENT(videoSink_) != GST_OBJECT(pipeline_)) return;
  gst_element_set_locked_state(videoSink_, TRUE);
  gst_element_set_state(videoSink_, GST_STATE_NULL);
  gst_bin_remove(GST_BIN(pipeline_), videoSink_);
  gst_element_set_locked_state(videoSink_, FALSE);
}

RenderFacts MediaPipeline::RenderFile(const std::string& uri, const std::string& audioOutput,
                                      std::chrono::milliseconds timeout) {
  audioOutput_ = audioOutput;
  g_object_set(decoder_, "uri", uri.c_str(), nullptr);
  GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(pipeline_));
  RenderFailure failure = RenderFailure::kTimeout;
  bool waiting = true;
  if (gst_element_set_state(pipeline_, GST_STATE_PAUSED) == GST_STATE_CHANGE_NO_PREROLL) {
    failure = RenderFailure::kNone;
    waiting = false;
  }
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  const auto types = GstMessageType(GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_APPLICATION | GST_MESSAGE_ELEMENT);
  while (waiting) {
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    GstMessage* message = gst_bus_timed_pop_filtered(bus, static_cast<GstClockTime>(left.count()), types);
    if (!message) break;
    const GstStructure* structure = gst_message_get_structure(message);
    switch (GST_MESSAGE_TYPE(message)) {
      case GST_MESSAGE_ERROR:
        failure = ClassifyError(message, sourceMissing_);
        waiting = false;
        break;
      case GST_MESSAGE_ASYNC_DONE:
        if (GST_MESSAGE_SRC(message) == GST_OBJECT(pipeline_)) {
          failure = RenderFailure::kNone;
          waiting = false;
        }
        break;
      case GST_MESSAGE_ELEMENT:
        // A missing handler for the location's scheme shows up as a missing "urisource".
        if (gst_structure_has_name(structure, "missing-plugin") &&
            g_strcmp0(gst_structure_get_string(structure, "type"), "urisource") == 0)
          sourceMissing_ = true;
        break;
      case GST_MESSAGE_APPLICATION:
        if (gst_structure_has_name(structure, kNoMorePads)) {
          std::unique_lock lock(factsMutex_);
          if (!videoLinked_ && !audioLinked_) {
            failure = RenderFailure::kNone;  // nothing to play: the facts tell why
            waiting = false;
          } else if (!videoLinked_) {
            lock.unlock();
            RemoveVideoSink();  // an unlinked sink would never preroll
          }
        }
        break;
      default:
        break;
    }
    gst_message_unref(message);
  }
  gst_object_unref(bus);

  std::lock_guard lock(factsMutex_);
  RenderFacts facts = facts_;
  facts.failure = failure;
  facts.videoRendered = videoLinked_;
  facts.audioRendered = audioLinked_ && !audioOutputMissing_;
  return facts;
}

bool MediaPipeline::Run() {
  std::lock_guard lock(controlMutex_);
  return !dismantled_ && gst_element_set_state(pipeline_, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

bool MediaPipeline::Pause() {
  std::lock_guard lock(controlMutex_);
  return !dismantled_ && gst_element_set_state(pipeline_, GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE;
}

GraphState MediaPipeline::State(std::chrono::milliseconds timeout) {
  if (dismantled_) return GraphState::kStopped;
  GstState state = GST_STATE_NULL;
  GstState pending = GST_STATE_VOID_PENDING;
  const GstStateChangeReturn result =
      gst_element_get_state(pipeline_, &state, &pending, static_cast<GstClockTime>(timeout.count()) * GST_MSECOND);
  if (result == GST_STATE_CHANGE_FAILURE) return GraphState::kStopped;
  if (result == GST_STATE_CHANGE_ASYNC && pending != GST_STATE_VOID_PENDING) state = pending;
  if (state == GST_STATE_PLAYING) return GraphState::kRunning;
  return state == GST_STATE_PAUSED ? GraphState::kPaused : GraphState::kStopped;
}

bool MediaPipeline::Seek(std::int64_t position) {
  std::lock_guard lock(controlMutex_);
  const auto flags = GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT | GST_SEEK_FLAG_SNAP_BEFORE);
  return !dismantled_ && gst_element_seek_simple(pipeline_, GST_FORMAT_TIME, flags, position * kNsPerUnit);
}

std::optional<std::int64_t> MediaPipeline::Position() {
  gint64 ns = 0;
  if (dismantled_ || !gst_element_query_position(pipeline_, GST_FORMAT_TIME, &ns) || ns < 0) return std::nullopt;
  return ns / static_cast<gint64>(kNsPerUnit);
}

std::optional<std::int64_t> MediaPipeline::Duration() {
  gint64 ns = 0;
  if (dismantled_ || !gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &ns) || ns < 0) return std::nullopt;
  return ns / static_cast<gint64>(kNsPerUnit);
}

bool MediaPipeline::CanSeek() {
  if (dismantled_) return false;
  GstQuery* query = gst_query_new_seeking(GST_FORMAT_TIME);
  gboolean seekable = FALSE;
  if (gst_element_query(pipeline_, query)) gst_query_parse_seeking(query, nullptr, &seekable, nullptr, nullptr);
  gst_query_unref(query);
  return seekable && Position() && Duration();
}

std::optional<GraphEvent> MediaPipeline::NextEvent() {
  GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(pipeline_));
  std::optional<GraphEvent> event;
  while (!event) {
    GstMessage* message = gst_bus_pop_filtered(bus, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    if (!message) break;
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
      event = GraphEvent{EC_COMPLETE, {}};
    } else {
      GError* error = nullptr;
      gst_message_parse_error(message, &error, nullptr);
      // A sink whose output went away (its window closed) reports NOT_FOUND: the user's doing.
      const bool userAbort = error->domain == GST_RESOURCE_ERROR && error->code == GST_RESOURCE_ERROR_NOT_FOUND &&
                             GST_IS_ELEMENT(GST_MESSAGE_SRC(message)) &&
                             GST_OBJECT_FLAG_IS_SET(GST_MESSAGE_SRC(message), GST_ELEMENT_FLAG_SINK);
      event = GraphEvent{userAbort ? EC_USERABORT : EC_ERRORABORT, error->message};
      g_error_free(error);
    }
    gst_message_unref(message);
  }
  gst_object_unref(bus);
  return event;
}

std::optional<std::string> MediaPipeline::DemuxerName() {
  std::optional<std::string> name;
  GstIterator* it = gst_bin_iterate_recurse(GST_BIN(pipeline_));
  GValue item = G_VALUE_INIT;
  while (!name && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
    GstElement* element = GST_ELEMENT(g_value_get_object(&item));
    if (const gchar* klass = gst_element_get_metadata(element, GST_ELEMENT_METADATA_KLASS);
        klass && std::string_view(klass).find("Demux") != std::string_view::npos)
      name = FactoryName(element);
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(it);
  return name;
}

void MediaPipeline::Dismantle() {
  {
    std::lock_guard lock(controlMutex_);
    if (dismantled_.exchange(true)) return;
  }
  gst_element_set_state(pipeline_, GST_STATE_NULL);
  RemoveVideoSink();
  UnrefElement(videoSink_);
  videoSink_ = nullptr;
  GstBus* bus = gst_pipeline_get_bus(GST_PIPELINE(pipeline_));
  gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
  gst_bus_set_flushing(bus, TRUE);  // drops what is queued
  gst_object_unref(bus);
}

}  // namespace quela
