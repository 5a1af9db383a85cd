#pragma once
// Sprite fonts (.spritefont): glyph table plus one texture, and text layout
// without GL so that measuring is testable. The file: magic, sorted glyph
// table, line spacing, default character, then one texture. All functions are
// pure and may run on any thread; a SpriteFontLayout only reads its font.
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/formats/cmo.h"  // FormatError

namespace quela::toolkit {

struct Glyph {
  uint32_t character;
  int32_t left, top, right, bottom;  // texture pixels, right and bottom exclusive
  float xOffset, yOffset, xAdvance;
  friend bool operator==(const Glyph&, const Glyph&) = default;
};

struct SpriteFontData {
  std::vector<Glyph> glyphs;  // sorted by character
  float lineSpacing = 0.0f;   // pixels
  uint32_t defaultCharacter = 0;  // 0 = none
  uint32_t width = 0, height = 0;
  std::vector<std::uint8_t> rgba;  // width * height * 4, rows top down, premultiplied alpha
  friend bool operator==(const SpriteFontData&, const SpriteFontData&) = default;
};

// Every stored texture format (28 R8G8B8A8, 115 B4G4R4A4, 74 BC2) is
// converted to RGBA8; the data is taken as stored (premultiplied by
// convention), nothing is multiplied. Rejected with FormatError: a bad magic,
// any read past the end, no glyphs, a glyph count the remaining bytes cannot
// hold, unsorted or duplicate characters, a rectangle that is inverted,
// negative or outside the texture, non-finite metrics, a default character
// not in the glyph list, an unknown format, a zero or over-16384 texture
// size, BC2 sizes not multiples of 4, a stride smaller than a row (or block
// row) needs, rows different from height (height / 4 for BC2).
SpriteFontData ReadSpriteFont(std::span<const std::uint8_t> data, const std::string& sourceName);
SpriteFontData ReadSpriteFontFile(const std::string& path);  // FormatError also for a missing file
// Writes format 28 with stride width * 4. Throws std::invalid_argument for a
// font ReadSpriteFont would reject (same rules) or an rgba of the wrong size.
std::vector<std::uint8_t> WriteSpriteFont(const SpriteFontData& font);

// A character with no glyph in a font without a default character.
class MissingGlyphError : public std::runtime_error {
 public:
  explicit MissingGlyphError(uint32_t character);
  uint32_t character() const noexcept { return character_; }

 private:
  uint32_t character_;
};

// Text layout, starting at x = y = 0, per code point: '\r' skipped; '\n'
// x = 0, y += lineSpacing; otherwise x += xOffset, x clamped to >= 0, the
// glyph placed with its top-left at (x, y + yOffset) unless the character is
// whitespace and its rectangle at most 1x1, then x += (right - left) +
// xAdvance. A character with no glyph uses the default glyph, else
// MissingGlyphError. Invalid UTF-8 becomes U+FFFD (its glyph, else the default).
class SpriteFontLayout {
 public:
  // Keeps a reference: `font` must outlive the layout.
  explicit SpriteFontLayout(const SpriteFontData& font);
  explicit SpriteFontLayout(SpriteFontData&&) = delete;  // would dangle
  // Calls place(glyph, x, y) for each drawn glyph of the UTF-8 text, top-left at (x, y).
  void ForEachGlyph(std::string_view utf8,
                    const std::function<void(const Glyph&, float x, float y)>& place) const;
  // {width, height}: the maximum over drawn glyphs of x + (right - left) and
  // y + max((bottom - top) + yOffset, lineSpacing) where x, y are the pen
  // position before yOffset; {0, 0} when nothing is drawn.
  std::array<float, 2> MeasureString(std::string_view utf8) const;
  const Glyph* FindGlyph(uint32_t c) const;  // the glyph, else the default glyph, else null

 private:
  // Runs the layout rules; place(glyph, x, penY) with the pen's line top penY.
  template <class Place>
  void LayOut(std::string_view utf8, Place&& place) const;

  const SpriteFontData& font_;
  const Glyph* defaultGlyph_ = nullptr;
};

}  // namespace quela::toolkit
