#include "toolkit/sprite_font.h"

#include "toolkit/formats/spritefont.h"
#include "toolkit/texture.h"

namespace quela::toolkit {

struct SpriteFont::Impl {
  explicit Impl(SpriteFontData d)
      : data(std::move(d)),
        layout(data),
        texture(static_cast<int>(data.width), static_cast<int>(data.height), false, data.rgba.data()) {}

  SpriteFontData data;
  SpriteFontLayout layout;  // refers to data
  Texture2D texture;
};

SpriteFont::SpriteFont(Device&, const std::string& path)
    : impl_(std::make_unique<Impl>(ReadSpriteFontFile(path))) {}

SpriteFont::SpriteFont(Device&, SpriteFontData data) : impl_(std::make_unique<Impl>(std::move(data))) {}

SpriteFont::~SpriteFont() = default;
SpriteFont::SpriteFont(SpriteFont&&) noexcept = default;
SpriteFont& SpriteFont::operator=(SpriteFont&&) noexcept = default;

void SpriteFont::DrawString(SpriteBatch& batch, std::string_view utf8, Vector2 position, Color color,
                            float rotation, Vector2 origin, Vector2 scale, SpriteEffects effects,
                            float layerDepth) const {
  const auto bits = static_cast<unsigned>(effects);
  const bool flipX = bits & static_cast<unsigned>(SpriteEffects::FlipHorizontally);
  const bool flipY = bits & static_cast<unsigned>(SpriteEffects::FlipVertically);
  // A flipped string is mirrored as a whole: glyphs move to the mirrored place.
  const Vector2 size = (flipX || flipY) ? MeasureString(utf8) : Vector2{};
  impl_->layout.ForEachGlyph(utf8, [&](const Glyph& g, float x, float y) {
    const Rect source{g.left, g.top, g.right, g.bottom};
    const float w = static_cast<float>(g.right - g.left), h = static_cast<float>(g.bottom - g.top);
    const Vector2 at{flipX ? size.x - x - w : x, flipY ? size.y - y - h : y};
    batch.Draw(impl_->texture, position, &source, color, rotation, origin - at, scale, effects, layerDepth);
  });
}

Vector2 SpriteFont::MeasureString(std::string_view utf8) const {
  const auto size = impl_->layout.MeasureString(utf8);
  return {size[0], size[1]};
}

float SpriteFont::LineSpacing() const { return impl_->data.lineSpacing; }
std::uint32_t SpriteFont::DefaultCharacter() const { return impl_->data.defaultCharacter; }
const Texture2D& SpriteFont::texture() const { return impl_->texture; }

}  // namespace quela::toolkit
