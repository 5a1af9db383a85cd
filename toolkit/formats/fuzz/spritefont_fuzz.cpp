// libFuzzer target for ReadSpriteFont and the layout: any input either parses
// or raises FormatError; a parsed font lays out text drawn from the input's
// tail (missing glyphs with no default raise MissingGlyphError) and survives
// the writer unchanged.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "toolkit/formats/spritefont.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quela::toolkit;
  SpriteFontData font;
  try {
    font = ReadSpriteFont(std::span<const std::uint8_t>(data, size), "fuzz");
  } catch (const FormatError&) {
    return 0;
  }
  if (font.rgba.size() != std::size_t{font.width} * font.height * 4) std::abort();
  const std::size_t textBytes = size < 64 ? size : 64;
  const std::string_view text(reinterpret_cast<const char*>(data + size - textBytes), textBytes);
  const SpriteFontLayout layout(font);
  try {
    layout.ForEachGlyph(text, [&](const Glyph& g, float, float) {
      if (g.right > static_cast<std::int64_t>(font.width) || g.bottom > static_cast<std::int64_t>(font.height)) std::abort();
    });
    (void)layout.MeasureString(text);
  } catch (const MissingGlyphError&) {
  }
  const std::vector<std::uint8_t> written = WriteSpriteFont(font);
  if (WriteSpriteFont(ReadSpriteFont(written, "fuzz rewrite")) != written) std::abort();
  return 0;
}
