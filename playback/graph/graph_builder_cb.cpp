#include "playback/graph/graph_builder_cb.h"

#include "app/log/g2log.h"

namespace quela {

namespace {

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

struct NamedComponent {
  std::string_view factoryName;
  const char* line;
};

// The standard demuxers and the system audio outputs, by factory name.
constexpr NamedComponent kNamedComponents[] = {
    {"matroskademux", "Selected GStreamer Splitter Source"},
    {"qtdemux", "Selected GStreamer Splitter Source"},
    {"avidemux", "Selected GStreamer Splitter Source"},
    {"tsdemux", "Selected GStreamer Splitter Source"},
    {"mpegpsdemux", "Selected GStreamer Splitter Source"},
    {"pulsesink", "Selected PulseAudio"},
    {"pipewiresink", "Selected PipeWire"},
    {"alsasink", "Selected ALSA"},
    {"fakeaudiosink", "Selected Null Audio Output"},
};

}  // namespace

const char* PreferredComponentLine(std::string_view factoryName, std::string_view klass, bool svpEnabled,
                                   std::string_view svpFilter) {
  if (factoryName.starts_with("avdec_")) {
    if (Contains(klass, "Video")) return "Selected libav Video";
    if (Contains(klass, "Audio")) return "Selected libav Audio";
    return nullptr;
  }
  for (const NamedComponent& component : kNamedComponents)
    if (component.factoryName == factoryName) return component.line;
  // Parsers only frame a stream for its decoder; they decode nothing.
  if (Contains(klass, "Parser") && !Contains(klass, "Decoder")) return "Selected GStreamer Parser";
  if (svpEnabled && !svpFilter.empty() && factoryName == svpFilter) return "Selected SVP Raw Video";
  return nullptr;
}

bool cGraphBuilderCB::SelectedFilter(std::string_view factoryName, std::string_view klass) const {
  const char* line = PreferredComponentLine(factoryName, klass, svpEnabled_.load(), svpFilter_);
  if (line) LOG(INFO) << line;
  return line != nullptr;
}

}  // namespace quela
