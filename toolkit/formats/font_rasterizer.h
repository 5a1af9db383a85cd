#pragma once
// Renders a sprite font with FreeType: one line of glyph metrics per
// character and an RGBA8 atlas of premultiplied white glyphs.
#include <cstdint>
#include <filesystem>

#include "toolkit/formats/spritefont.h"

namespace quela::toolkit {

// The sans-serif face every Debian desktop has (fonts-dejavu-core).
inline constexpr const char* kSystemSansFace = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct FontBakeSettings {
  std::filesystem::path faceFile;
  int pixelSize = 32;                  // the em size in pixels
  std::uint32_t firstCharacter = 32;   // printable ASCII ...
  std::uint32_t lastCharacter = 126;   // ... inclusive
  std::uint32_t defaultCharacter = '?';  // must lie in the range
  int atlasWidth = 512;
  int padding = 1;                     // transparent texels around every glyph
};

// Throws std::runtime_error when the face cannot be loaded or a glyph not rendered.
SpriteFontData BakeSpriteFont(const FontBakeSettings& settings);

}  // namespace quela::toolkit
