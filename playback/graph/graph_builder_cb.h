#pragma once
// The first attempt's component policy: while a file is rendered, every
// component the auto-plugger considers is put to SelectedFilter, which admits
// only the preferred ones (libav decoders, the standard demuxers, parsers, the
// system audio outputs and, with SVP on, the configured SVP element) and
// refuses everything else, so the system's other decoders cannot take over.
#include <atomic>
#include <string>
#include <string_view>

namespace quela {

// The log line that admits the component, or null when it is refused.
// factoryName as GStreamer names the factory ("avdec_h264"); klass its
// "Codec/Decoder/Video"-style class. Any thread.
const char* PreferredComponentLine(std::string_view factoryName, std::string_view klass, bool svpEnabled,
                                   std::string_view svpFilter);

class cGraphBuilderCB {
 public:
  cGraphBuilderCB(const std::atomic<bool>& svpEnabled, std::string svpFilter)
      : svpEnabled_(svpEnabled), svpFilter_(std::move(svpFilter)) {}

  // True admits the component (with its INFO line), false refuses it silently.
  // Streaming threads (the auto-plugger's).
  bool SelectedFilter(std::string_view factoryName, std::string_view klass) const;

 private:
  const std::atomic<bool>& svpEnabled_;
  const std::string svpFilter_;
};

}  // namespace quela
