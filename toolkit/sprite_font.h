#pragma once
// Text from a .spritefont: glyphs cut from one texture, drawn through a
// SpriteBatch. Measuring needs no GL and matches what DrawString draws.
//
// Thread: construct on the GL thread (the texture is uploaded then);
// DrawString on the sprite batch's thread; MeasureString anywhere.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "toolkit/math.h"
#include "toolkit/sprite_batch.h"

namespace quela::toolkit {

class Device;
class Texture2D;
struct SpriteFontData;

class SpriteFont {
 public:
  // Throws FormatError naming the file when it is missing or malformed.
  SpriteFont(Device& device, const std::string& path);
  SpriteFont(Device& device, SpriteFontData data);
  ~SpriteFont();
  SpriteFont(SpriteFont&&) noexcept;
  SpriteFont& operator=(SpriteFont&&) noexcept;

  // UTF-8 text; '\n' starts a new line. The text's top-left corner is at
  // `position` (pixels); rotation, origin and scale apply to the whole string
  // as SpriteBatch::Draw applies them to one sprite. A character the font
  // lacks draws the default character; without one it throws MissingGlyphError.
  void DrawString(SpriteBatch& batch, std::string_view utf8, Vector2 position, Color color = kWhite,
                  float rotation = 0, Vector2 origin = {}, Vector2 scale = {1, 1},
                  SpriteEffects effects = SpriteEffects::None, float layerDepth = 0) const;

  // Width and height in pixels at scale 1.
  Vector2 MeasureString(std::string_view utf8) const;

  float LineSpacing() const;             // pixels
  std::uint32_t DefaultCharacter() const;  // 0 = none
  const Texture2D& texture() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quela::toolkit
