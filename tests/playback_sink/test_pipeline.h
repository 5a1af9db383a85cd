#pragma once
// A pipeline described in gst-launch syntax around the program's sink, run to
// its end on the pipeline's own clock.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <string>

#include "playback/sink/d2d_video_render.h"
#include "playback/sink/video_sink_element.h"

namespace quela::test {

class TestPipeline {
 public:
  // description names the sink "sink" ("... ! quelavideosink name=sink").
  explicit TestPipeline(const std::string& description) {
    EXPECT_TRUE(RegisterVideoSinkClass());
    GError* error = nullptr;
    pipeline_ = gst_parse_launch(description.c_str(), &error);
    if (error) {
      ADD_FAILURE() << description << ": " << error->message;
      g_error_free(error);
    }
  }
  ~TestPipeline() {
    Stop();
    if (pipeline_) gst_object_unref(pipeline_);
  }
  TestPipeline(const TestPipeline&) = delete;
  TestPipeline& operator=(const TestPipeline&) = delete;

  GstElement* get() const { return pipeline_; }
  // Ends streaming; call it before a frame renderer the sink uses goes away.
  void Stop() {
    if (pipeline_) gst_element_set_state(pipeline_, GST_STATE_NULL);
  }
  GstElement* Element(const char* name) const {  // a borrowed pointer; the pipeline keeps the element
    GstElement* element = gst_bin_get_by_name(GST_BIN(pipeline_), name);
    if (element) gst_object_unref(element);
    return element;
  }
  CD2DVideoRender* Sink() const { return VideoRendererOf(Element("sink")); }

  // Plays until EOS or ERROR and returns which; GST_MESSAGE_UNKNOWN after the timeout.
  GstMessageType Run(GstClockTime timeout = 20 * GST_SECOND) {
    if (!pipeline_) return GST_MESSAGE_UNKNOWN;
    gst_element_set_state(pipeline_, GST_STATE_PLAYING);
    return WaitForEnd(timeout);
  }
  GstMessageType WaitForEnd(GstClockTime timeout = 20 * GST_SECOND) {
    GstBus* bus = gst_element_get_bus(pipeline_);
    GstMessage* message = gst_bus_timed_pop_filtered(bus, timeout, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    gst_object_unref(bus);
    if (!message) return GST_MESSAGE_UNKNOWN;
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    gst_message_unref(message);
    return type;
  }

 private:
  GstElement* pipeline_ = nullptr;
};

}  // namespace quela::test
