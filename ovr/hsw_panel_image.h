#pragma once
// The health-and-safety notice as a picture: a dark panel in a light frame with our wording, laid out
// in the system's sans-serif face. The last line, the invitation to go on, is drawn only into the
// picture shown once the notice may be dismissed. GL-free.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quela::ovr {

struct PanelImage {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;  // rows top down, opaque
  bool hasText = false;            // false when the face could not be read: a plain panel
};

// The notice's wording, one entry per line; the last one is the footer.
const std::vector<std::string>& HswNoticeLines();

// A width x height panel (each at least 16), with the last line when dismissible. Never throws for a
// missing or broken face: the panel then comes without text.
PanelImage RenderHswPanel(int width, int height, const std::filesystem::path& faceFile, bool dismissible);

}  // namespace quela::ovr
