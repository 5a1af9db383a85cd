#pragma once
// The program's settings: read once during start-up, never written back.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace quela {

// Read-only after start-up. Defaults apply to every missing file, section or key.
struct cConfig {
  bool multiSampling = true;
  bool mirrorToRift = true;
  bool forceFallbackFilterSelect = false;
  bool extendedDesktop = false;
  bool defaultLoop = false;
  bool svpEnabledOnStart = false;
  std::int32_t defaultScreenType = 0;  // as read; only 0..6 name a screen model
  std::int32_t defaultStereoMode = 0;  // as read; only 0..2 name a stereo mode
  std::string autoloadVideoFilePath;   // UTF-8; empty for none
  bool simulatedHmd = false;           // use the built-in simulated headset
  int hmdDisplay = -1;                 // display index a real headset presents on; -1 finds it
  std::string svpFilter;               // GStreamer element factory name for the SVP path; empty for none

  friend bool operator==(const cConfig&, const cConfig&) = default;
};

// Reads iniPath (an empty or missing path gives the defaults) and logs the INFO lines; never fails. Main thread, before the window.
std::unique_ptr<cConfig> LoadINIFileConfig(const std::filesystem::path& iniPath);

}  // namespace quela
