#pragma once
// Plays a GStreamer pipeline until it ends: for tests and benchmarks that run
// pipelines of their own.
#include <gst/gst.h>

namespace quela::test {

// Sets the pipeline playing and waits for EOS or an error; returns which came,
// GST_MESSAGE_UNKNOWN when neither did within timeout. The pipeline keeps playing.
inline GstMessageType PlayUntilEnd(GstElement* pipeline, GstClockTime timeout) {
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* message = gst_bus_timed_pop_filtered(bus, timeout, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  gst_object_unref(bus);
  if (!message) return GST_MESSAGE_UNKNOWN;
  const GstMessageType type = GST_MESSAGE_TYPE(message);
  gst_message_unref(message);
  return type;
}

}  // namespace quela::test
