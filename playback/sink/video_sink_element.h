#pragma once
// The program's video sink as a GStreamer element: a GstVideoSink whose
// frames go to one CD2DVideoRender. One element is created at start-up and
// added to every pipeline; it keeps its renderer across files.
#include <memory>

typedef struct _GstElement GstElement;

namespace quela {

class CD2DVideoRender;

constexpr char kVideoSinkFactoryName[] = "quelavideosink";
constexpr char kVideoSinkName[] = "Direct2D Video Renderer";  // the element's name in every pipeline

// Registers the element type under kVideoSinkFactoryName (initialising
// GStreamer first if needed). False when GStreamer cannot start or refuses
// the registration. Main thread, at start-up.
bool RegisterVideoSinkClass();
// Whether pipelines can now make the element by its factory name. Main thread, after RegisterVideoSinkClass.
bool VideoSinkFactoryFound();

struct ElementUnref {
  void operator()(GstElement* element) const;  // sets NULL state first when the element is no pipeline's
};
using ElementRef = std::unique_ptr<GstElement, ElementUnref>;

// A new sink element named kVideoSinkName, holding its own reference; null when
// GStreamer cannot start. Pipelines add references of their own. Main thread.
ElementRef CreateVideoSink();

// The renderer of a sink element; null for any other element. Any thread.
CD2DVideoRender* VideoRendererOf(GstElement* element);

}  // namespace quela
