#include "toolkit/formats/spritefont.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "toolkit/formats/byte_io.h"
#include "toolkit/formats/utf.h"

namespace quela::toolkit {
namespace {

using detail::ByteReader;
using detail::ByteWriter;

constexpr char kMagic[8] = {'D', 'X', 'T', 'K', 'f', 'o', 'n', 't'};
constexpr std::uint64_t kGlyphBytes = 32;
constexpr std::uint32_t kMaxTextureSize = 16384;  // the D3D11 limit the format was made for
constexpr std::uint32_t kFormatR8G8B8A8 = 28;
constexpr std::uint32_t kFormatB4G4R4A4 = 115;
constexpr std::uint32_t kFormatBC2 = 74;

std::string CodePoint(std::uint32_t c) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
  return text;
}

std::uint8_t Expand4(unsigned v) { return static_cast<std::uint8_t>(v * 17); }

void ConvertB4G4R4A4(std::span<const std::uint8_t> src, std::uint32_t width, std::uint32_t height,
                     std::uint32_t stride, std::uint8_t* rgba) {
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = src.data() + std::size_t{y} * stride;
    for (std::uint32_t x = 0; x < width; ++x) {
      const unsigned p = row[2 * x] | (unsigned{row[2 * x + 1]} << 8);
      std::uint8_t* out = rgba + (std::size_t{y} * width + x) * 4;
      out[0] = Expand4((p >> 8) & 0xF);
      out[1] = Expand4((p >> 4) & 0xF);
      out[2] = Expand4(p & 0xF);
      out[3] = Expand4((p >> 12) & 0xF);
    }
  }
}

void Expand565(unsigned c, unsigned rgb[3]) {
  const unsigned r = (c >> 11) & 0x1F, g = (c >> 5) & 0x3F, b = c & 0x1F;
  rgb[0] = (r << 3) | (r >> 2);
  rgb[1] = (g << 2) | (g >> 4);
  rgb[2] = (b << 3) | (b >> 2);
}

// BC2: per 4x4 block, 8 bytes of explicit 4-bit alpha (pixel i in bits 4i..4i+3,
// row-major) then a BC1 colour block always decoded in 4-colour mode:
// c2 = (2 c0 + c1) / 3, c3 = (c0 + 2 c1) / 3, rounded to nearest.
void ConvertBC2(std::span<const std::uint8_t> src, std::uint32_t width, std::uint32_t height,
                std::uint32_t stride, std::uint8_t* rgba) {
  for (std::uint32_t by = 0; by < height / 4; ++by) {
    const std::uint8_t* row = src.data() + std::size_t{by} * stride;
    for (std::uint32_t bx = 0; bx < width / 4; ++bx) {
      const std::uint8_t* block = row + std::size_t{bx} * 16;
      std::uint64_t alpha;
      std::memcpy(&alpha, block, 8);
      const unsigned c0 = block[8] | (unsigned{block[9]} << 8);
      const unsigned c1 = block[10] | (unsigned{block[11]} << 8);
      std::uint32_t indices;
      std::memcpy(&indices, block + 12, 4);
      unsigned palette[4][3];
      Expand565(c0, palette[0]);
      Expand565(c1, palette[1]);
      for (int k = 0; k < 3; ++k) {
        palette[2][k] = (2 * palette[0][k] + palette[1][k] + 1) / 3;
        palette[3][k] = (palette[0][k] + 2 * palette[1][k] + 1) / 3;
      }
      for (unsigned i = 0; i < 16; ++i) {
        const std::uint32_t x = bx * 4 + (i & 3), y = by * 4 + (i >> 2);
        std::uint8_t* out = rgba + (std::size_t{y} * width + x) * 4;
        const unsigned* c = palette[(indices >> (2 * i)) & 3];
        out[0] = static_cast<std::uint8_t>(c[0]);
        out[1] = static_cast<std::uint8_t>(c[1]);
        out[2] = static_cast<std::uint8_t>(c[2]);
        out[3] = Expand4(static_cast<unsigned>(alpha >> (4 * i)) & 0xF);
      }
    }
  }
}

// The glyph rules shared by the reader and the writer; returns a fault or "".
std::string CheckGlyphs(const std::vector<Glyph>& glyphs, std::uint32_t width, std::uint32_t height,
                        std::uint32_t defaultCharacter) {
  for (std::size_t i = 0; i < glyphs.size(); ++i) {
    const Glyph& g = glyphs[i];
    const auto where = [&] { return "glyph " + std::to_string(i) + " (" + CodePoint(g.character) + ")"; };
    const auto rect = [&] {
      return where() + ": rectangle (" + std::to_string(g.left) + ", " + std::to_string(g.top) + ")-(" +
             std::to_string(g.right) + ", " + std::to_string(g.bottom) + ")";
    };
    if (i > 0 && g.character == glyphs[i - 1].character) return where() + ": duplicate character";
    if (i > 0 && g.character < glyphs[i - 1].character) {
      return where() + ": glyphs not sorted by character (after " + CodePoint(glyphs[i - 1].character) + ")";
    }
    if (g.left < 0 || g.top < 0 || g.right < 0 || g.bottom < 0) return rect() + " is negative";
    if (g.right < g.left || g.bottom < g.top) return rect() + " is inverted";
    if (static_cast<std::int64_t>(g.right) > width || static_cast<std::int64_t>(g.bottom) > height) {
      return rect() + " not inside the " + std::to_string(width) + "x" + std::to_string(height) + " texture";
    }
    if (!std::isfinite(g.xOffset) || !std::isfinite(g.yOffset) || !std::isfinite(g.xAdvance)) {
      return where() + ": offset or advance not a finite number";
    }
  }
  if (defaultCharacter != 0) {
    const auto it = std::lower_bound(glyphs.begin(), glyphs.end(), defaultCharacter,
                                     [](const Glyph& g, std::uint32_t c) { return g.character < c; });
    const bool found = it != glyphs.end() && it->character == defaultCharacter;
    if (!found) return "default character " + CodePoint(defaultCharacter) + " has no glyph";
  }
  return {};
}

bool IsWhitespace(std::uint32_t c) {
  return c == 0x20 || (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

}  // namespace

MissingGlyphError::MissingGlyphError(uint32_t character)
    : std::runtime_error("sprite font: character " + CodePoint(character) +
                         " not in the font and no default character"),
      character_(character) {}

SpriteFontData ReadSpriteFont(std::span<const std::uint8_t> data, const std::string& sourceName) {
  ByteReader in(data, sourceName);
  const auto magic = in.Bytes(sizeof kMagic, "magic");
  if (std::memcmp(magic.data(), kMagic, sizeof kMagic) != 0) in.Fail("not a sprite font (magic is not \"DXTKfont\")");

  SpriteFontData font;
  const std::uint32_t glyphCount = in.U32("glyph count");
  if (glyphCount == 0) in.Fail("glyph count is 0");
  in.Require(glyphCount, kGlyphBytes, "glyphs");
  font.glyphs.resize(glyphCount);
  static_assert(sizeof(Glyph) == kGlyphBytes);
  in.Copy(font.glyphs.data(), glyphCount, kGlyphBytes, "glyphs");

  font.lineSpacing = in.FiniteF32("line spacing");
  font.defaultCharacter = in.U32("default character");
  font.width = in.U32("texture width");
  font.height = in.U32("texture height");
  const std::uint32_t format = in.U32("texture format");
  const std::uint32_t stride = in.U32("texture stride");
  const std::uint32_t rows = in.U32("texture rows");

  if (font.width == 0 || font.height == 0 || font.width > kMaxTextureSize || font.height > kMaxTextureSize) {
    in.Fail("texture size " + std::to_string(font.width) + "x" + std::to_string(font.height) +
            " outside 1..16384");
  }
  std::uint64_t rowBytes;
  std::uint32_t expectedRows;
  switch (format) {
    case kFormatR8G8B8A8:
      rowBytes = std::uint64_t{font.width} * 4;
      expectedRows = font.height;
      break;
    case kFormatB4G4R4A4:
      rowBytes = std::uint64_t{font.width} * 2;
      expectedRows = font.height;
      break;
    case kFormatBC2:
      if (font.width % 4 != 0 || font.height % 4 != 0) {
        in.Fail("BC2 texture size " + std::to_string(font.width) + "x" + std::to_string(font.height) +
                " not a multiple of 4");
      }
      rowBytes = std::uint64_t{font.width / 4} * 16;
      expectedRows = font.height / 4;
      break;
    default:
      in.Fail("texture format " + std::to_string(format) + " not supported (28, 115 or 74)");
  }
  if (stride < rowBytes) {
    in.Fail("texture stride " + std::to_string(stride) + " smaller than a row (" + std::to_string(rowBytes) + " bytes)");
  }
  if (rows != expectedRows) {
    in.Fail("texture rows " + std::to_string(rows) + ", expected " + std::to_string(expectedRows));
  }
  const auto pixels = in.Bytes(std::uint64_t{stride} * rows, "texture data");

  if (std::string fault = CheckGlyphs(font.glyphs, font.width, font.height, font.defaultCharacter); !fault.empty()) {
    in.Fail(fault);
  }

  font.rgba.resize(std::size_t{font.width} * font.height * 4);
  switch (format) {
    case kFormatR8G8B8A8:
      for (std::uint32_t y = 0; y < font.height; ++y) {
        std::memcpy(font.rgba.data() + std::size_t{y} * font.width * 4, pixels.data() + std::size_t{y} * stride,
                    std::size_t{font.width} * 4);
      }
      break;
    case kFormatB4G4R4A4:
      ConvertB4G4R4A4(pixels, font.width, font.height, stride, font.rgba.data());
      break;
    case kFormatBC2:
      ConvertBC2(pixels, font.width, font.height, stride, font.rgba.data());
      break;
  }
  return font;
}

SpriteFontData ReadSpriteFontFile(const std::string& path) {
  const std::vector<std::uint8_t> bytes = detail::ReadWholeFile(path);
  return ReadSpriteFont(bytes, path);
}

std::vector<std::uint8_t> WriteSpriteFont(const SpriteFontData& font) {
  const auto fail = [](const std::string& why) { throw std::invalid_argument("WriteSpriteFont: " + why); };
  if (font.glyphs.empty()) fail("no glyphs");
  if (font.glyphs.size() > 0xFFFFFFFFu) fail("too many glyphs");
  if (font.width == 0 || font.height == 0 || font.width > kMaxTextureSize || font.height > kMaxTextureSize) {
    fail("texture size outside 1..16384");
  }
  if (font.rgba.size() != std::size_t{font.width} * font.height * 4) fail("rgba is not width * height * 4 bytes");
  if (!std::isfinite(font.lineSpacing)) fail("line spacing not a finite number");
  if (std::string fault = CheckGlyphs(font.glyphs, font.width, font.height, font.defaultCharacter); !fault.empty()) {
    fail(fault);
  }
  ByteWriter out;
  out.Reserve(sizeof kMagic + 4 + font.glyphs.size() * kGlyphBytes + 28 + font.rgba.size());
  out.Append(kMagic, sizeof kMagic);
  out.U32(static_cast<std::uint32_t>(font.glyphs.size()));
  out.Append(font.glyphs.data(), font.glyphs.size() * kGlyphBytes);
  out.F32(font.lineSpacing);
  out.U32(font.defaultCharacter);
  out.U32(font.width);
  out.U32(font.height);
  out.U32(kFormatR8G8B8A8);
  out.U32(font.width * 4);
  out.U32(font.height);
  out.Append(font.rgba.data(), font.rgba.size());
  return out.Take();
}

SpriteFontLayout::SpriteFontLayout(const SpriteFontData& font) : font_(font) {
  if (font.defaultCharacter != 0) {
    auto it = std::lower_bound(font.glyphs.begin(), font.glyphs.end(), font.defaultCharacter,
                               [](const Glyph& g, uint32_t c) { return g.character < c; });
    if (it != font.glyphs.end() && it->character == font.defaultCharacter) defaultGlyph_ = &*it;
  }
}

template <class Place>
void SpriteFontLayout::LayOut(std::string_view utf8, Place&& place) const {
  float x = 0.0f, y = 0.0f;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const char32_t c = detail::NextUtf8(utf8, pos);
    if (c == U'\r') continue;
    if (c == U'\n') {
      x = 0.0f;
      y += font_.lineSpacing;
      continue;
    }
    const Glyph* glyph = FindGlyph(c);
    if (!glyph) throw MissingGlyphError(c);
    x = std::max(x + glyph->xOffset, 0.0f);
    const std::int64_t width = std::int64_t{glyph->right} - glyph->left;
    const std::int64_t height = std::int64_t{glyph->bottom} - glyph->top;
    if (!IsWhitespace(c) || width > 1 || height > 1) place(*glyph, x, y);
    x += static_cast<float>(width) + glyph->xAdvance;
  }
}

const Glyph* SpriteFontLayout::FindGlyph(uint32_t c) const {
  auto it = std::lower_bound(font_.glyphs.begin(), font_.glyphs.end(), c,
                             [](const Glyph& g, uint32_t ch) { return g.character < ch; });
  if (it != font_.glyphs.end() && it->character == c) return &*it;
  return defaultGlyph_;
}

void SpriteFontLayout::ForEachGlyph(std::string_view utf8,
                                    const std::function<void(const Glyph&, float x, float y)>& place) const {
  LayOut(utf8, [&](const Glyph& g, float x, float penY) { place(g, x, penY + g.yOffset); });
}

std::array<float, 2> SpriteFontLayout::MeasureString(std::string_view utf8) const {
  std::array<float, 2> size{0.0f, 0.0f};
  const float lineSpacing = font_.lineSpacing;
  LayOut(utf8, [&](const Glyph& g, float x, float penY) {
    const float w = static_cast<float>(std::int64_t{g.right} - g.left);
    const float h = std::max(static_cast<float>(std::int64_t{g.bottom} - g.top) + g.yOffset, lineSpacing);
    size[0] = std::max(size[0], x + w);
    size[1] = std::max(size[1], penY + h);
  });
  return size;
}

}  // namespace quela::toolkit
