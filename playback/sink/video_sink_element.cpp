#include "playback/sink/video_sink_element.h"

#include <gst/video/gstvideosink.h>
#include <gst/video/video.h>

#include <algorithm>

#include "app/log/g2log.h"
#include "playback/sink/d2d_video_render.h"
#include "playback/sink/media_type_caps.h"
#include "playback/sink/plane_bounds.h"

namespace {

struct QuelaVideoSink {
  GstVideoSink parent;
  quela::CD2DVideoRender* render;  // owned; lives as long as the element
  GstVideoInfo info;               // the agreed caps; streaming thread
  bool prerolling;                 // inside the base sink's preroll; streaming thread
  bool refusalLogged;              // a frame of the agreed caps was refused; streaming thread
  guint64 qosDropped;              // the base sink's own drop count in its last QoS message; streaming thread
};

struct QuelaVideoSinkClass {
  GstVideoSinkClass parent_class;
};

G_DEFINE_TYPE(QuelaVideoSink, quela_video_sink, GST_TYPE_VIDEO_SINK)

QuelaVideoSink* Self(gpointer object) { return reinterpret_cast<QuelaVideoSink*>(object); }
GstBaseSinkClass* BaseParent() { return GST_BASE_SINK_CLASS(quela_video_sink_parent_class); }

std::int64_t ElementClockNs(GstElement* element) {
  if (GstClock* clock = gst_element_get_clock(element)) {
    const GstClockTime now = gst_clock_get_time(clock);
    gst_object_unref(clock);
    return static_cast<std::int64_t>(now);
  }
  return g_get_monotonic_time() * 1000;
}

// Streaming thread (the caps event).
gboolean SetCaps(GstBaseSink* base, GstCaps* caps) {
  QuelaVideoSink* self = Self(base);
  const quela::MediaType type = quela::MediaTypeFromCaps(caps);
  quela::HRESULT hr = quela::CheckMediaType(&type);
  GstVideoInfo info;
  if (hr == quela::S_OK && !gst_video_info_from_caps(&info, caps)) hr = quela::E_INVALIDARG;
  if (hr == quela::S_OK) hr = self->render->SetMediaType(&type);
  if (hr != quela::S_OK) {
    gchar* text = gst_caps_to_string(caps);
    LOGF(WARNING, "Video format refused (0x%08X): %s", static_cast<unsigned>(hr), text);
    g_free(text);
    return FALSE;
  }
  self->info = info;
  self->refusalLogged = false;
  return BaseParent()->set_caps(base, caps);
}

// Streaming thread: lets upstream hand over frames with any stride and plane offset instead of copying.
gboolean ProposeAllocation(GstBaseSink*, GstQuery* query) {
  gst_query_add_allocation_meta(query, GST_VIDEO_META_API_TYPE, nullptr);
  return TRUE;
}

void RefuseFrame(QuelaVideoSink* self, GstBuffer* buffer) {
  self->render->SampleDropped();
  if (self->refusalLogged) return;
  self->refusalLogged = true;
  LOGF(WARNING, "Video frame dropped: %zu bytes do not hold a %s frame of %dx%d (later ones of this format are dropped silently)",
       gst_buffer_get_size(buffer), GST_VIDEO_INFO_NAME(&self->info), GST_VIDEO_INFO_WIDTH(&self->info),
       GST_VIDEO_INFO_HEIGHT(&self->info));
}

// Streaming thread, after the clock wait (or while prerolling).
GstFlowReturn ShowFrame(GstVideoSink* sink, GstBuffer* buffer) {
  QuelaVideoSink* self = Self(sink);
  GstVideoFrame frame;
  if (!gst_video_frame_map(&frame, &self->info, buffer, GST_MAP_READ)) {
    RefuseFrame(self, buffer);
    return GST_FLOW_OK;
  }
  quela::FramePlanes planes;
  quela::MappedSpan spans[3];
  const int planeCount = std::min<int>(GST_VIDEO_FRAME_N_PLANES(&frame), 3);
  for (int p = 0; p < planeCount; ++p) {
    planes.data[p] = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, p));
    planes.stride[p] = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, p);
    // With video meta each plane is mapped on its own; without, one mapping holds them all.
    const GstMapInfo& map = frame.meta ? frame.map[p] : frame.map[0];
    spans[p] = {map.data, map.data + map.size};
  }
  quela::SampleResult result = quela::SampleResult::kDropped;
  if (quela::PlanesWithinMapping(self->render->Format(), planes, spans)) {
    result = self->render->DoRenderSample(planes, self->prerolling);
  } else {
    RefuseFrame(self, buffer);
  }
  gst_video_frame_unmap(&frame);
  switch (result) {
    case quela::SampleResult::kNotNegotiated: return GST_FLOW_NOT_NEGOTIATED;
    case quela::SampleResult::kFailed:
      GST_ELEMENT_ERROR(self, RESOURCE, WRITE, ("Failed to draw a video frame"), (nullptr));
      return GST_FLOW_ERROR;
    default: return GST_FLOW_OK;
  }
}

// Streaming thread: the first frame of a file is shown while paused and again
// when playing starts; only the second showing counts as drawn.
GstFlowReturn Preroll(GstBaseSink* base, GstBuffer* buffer) {
  QuelaVideoSink* self = Self(base);
  self->prerolling = true;
  const GstFlowReturn result = BaseParent()->preroll(base, buffer);
  self->prerolling = false;
  return result;
}

// Thread of a flush or state change, while a frame may be waiting for FrameLock.
gboolean Unlock(GstBaseSink* base) {
  Self(base)->render->Unblock();
  return BaseParent()->unlock ? BaseParent()->unlock(base) : TRUE;
}

gboolean UnlockStop(GstBaseSink* base) {
  Self(base)->render->Resume();
  return BaseParent()->unlock_stop ? BaseParent()->unlock_stop(base) : TRUE;
}

// The base sink restarts its drop count with each segment and flush. Streaming
// thread for SEGMENT; the flushing thread for FLUSH_STOP, while nothing streams.
gboolean Event(GstBaseSink* base, GstEvent* event) {
  if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT || GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) {
    Self(base)->qosDropped = 0;
  }
  return BaseParent()->event(base, event);
}

// Thread of the state change.
GstStateChangeReturn ChangeState(GstElement* element, GstStateChange transition) {
  QuelaVideoSink* self = Self(element);
  switch (transition) {
    case GST_STATE_CHANGE_READY_TO_PAUSED:
      self->render->NewFile();
      self->qosDropped = 0;
      break;
    case GST_STATE_CHANGE_PAUSED_TO_PLAYING: self->render->StartStreaming(); break;
    default: break;
  }
  const GstStateChangeReturn result = GST_ELEMENT_CLASS(quela_video_sink_parent_class)->change_state(element, transition);
  if (transition == GST_STATE_CHANGE_PLAYING_TO_PAUSED) self->render->StopStreaming();
  return result;
}

// Streaming thread: the base sink posts a QoS message for each frame it drops
// as too late, carrying its own running count.
gboolean PostMessage(GstElement* element, GstMessage* message) {
  QuelaVideoSink* self = Self(element);
  if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_QOS && GST_MESSAGE_SRC(message) == GST_OBJECT(element)) {
    GstFormat format = GST_FORMAT_UNDEFINED;
    guint64 processed = 0;
    guint64 dropped = 0;
    gst_message_parse_qos_stats(message, &format, &processed, &dropped);
    if (format == GST_FORMAT_BUFFERS && dropped != static_cast<guint64>(-1)) {
      // A count below the last one has restarted unseen.
      const guint64 fresh = dropped >= self->qosDropped ? dropped - self->qosDropped : dropped;
      self->qosDropped = dropped;
      self->render->SampleDropped(static_cast<std::int64_t>(fresh));
    }
  }
  return GST_ELEMENT_CLASS(quela_video_sink_parent_class)->post_message(element, message);
}

// Thread of the last unref.
void Finalize(GObject* object) {
  delete Self(object)->render;
  G_OBJECT_CLASS(quela_video_sink_parent_class)->finalize(object);
}

void quela_video_sink_init(QuelaVideoSink* self) {
  GstElement* element = GST_ELEMENT(self);
  self->render = new quela::CD2DVideoRender([element] { return ElementClockNs(element); });
  gst_video_info_init(&self->info);
  self->prerolling = false;
  self->refusalLogged = false;
  self->qosDropped = 0;
}

void quela_video_sink_class_init(QuelaVideoSinkClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = Finalize;

  GstElementClass* element = GST_ELEMENT_CLASS(klass);
  gst_element_class_set_static_metadata(element, "Quela video renderer", "Sink/Video",
                                        "Converts frames to BGRA and hands them to the headset's frame renderer",
                                        "Quela developers");
  GstCaps* caps = gst_caps_from_string(quela::SinkCapsDescription().c_str());
  gst_element_class_add_pad_template(element, gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, caps));
  gst_caps_unref(caps);
  element->change_state = ChangeState;
  element->post_message = PostMessage;

  GstBaseSinkClass* base = GST_BASE_SINK_CLASS(klass);
  base->event = Event;
  base->set_caps = SetCaps;
  base->propose_allocation = ProposeAllocation;
  base->preroll = Preroll;
  base->unlock = Unlock;
  base->unlock_stop = UnlockStop;

  GST_VIDEO_SINK_CLASS(klass)->show_frame = ShowFrame;
}

bool GstreamerReady() { return gst_init_check(nullptr, nullptr, nullptr); }

}  // namespace

namespace quela {

bool RegisterVideoSinkClass() {
  return GstreamerReady() && gst_element_register(nullptr, kVideoSinkFactoryName, GST_RANK_NONE, quela_video_sink_get_type());
}

bool VideoSinkFactoryFound() {
  GstElementFactory* factory = gst_element_factory_find(kVideoSinkFactoryName);
  if (!factory) return false;
  gst_object_unref(factory);
  return true;
}

void ElementUnref::operator()(GstElement* element) const {
  GstObject* parent = gst_object_get_parent(GST_OBJECT(element));
  if (parent) {
    gst_object_unref(parent);
  } else {
    gst_element_set_state(element, GST_STATE_NULL);
  }
  gst_object_unref(element);
}

ElementRef CreateVideoSink() {
  if (!GstreamerReady()) return nullptr;
  auto* element = static_cast<GstElement*>(g_object_new(quela_video_sink_get_type(), "name", kVideoSinkName, nullptr));
  return ElementRef(GST_ELEMENT(gst_object_ref_sink(element)));
}

CD2DVideoRender* VideoRendererOf(GstElement* element) {
  if (!element || !G_TYPE_CHECK_INSTANCE_TYPE(element, quela_video_sink_get_type())) return nullptr;
  return Self(element)->render;
}

}  // namespace quela
