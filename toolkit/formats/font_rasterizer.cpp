#include "toolkit/formats/font_rasterizer.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace quela::toolkit {
namespace {

struct LibraryDeleter {
  void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceDeleter {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryPtr = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryDeleter>;
using FacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceDeleter>;

float FromFixed26_6(FT_Pos value) { return static_cast<float>(value) / 64.0f; }

struct RenderedGlyph {
  std::uint32_t character;
  int width, height;
  std::vector<std::uint8_t> coverage;  // width * height, rows top down
  float xOffset, yOffset, advance;
};

RenderedGlyph Render(FT_Face face, std::uint32_t character, float ascender, const std::string& faceName) {
  if (FT_Load_Char(face, character, FT_LOAD_RENDER) != 0)
    throw std::runtime_error(faceName + ": cannot render character " + std::to_string(character));
  const FT_GlyphSlot slot = face->glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  RenderedGlyph glyph{character, static_cast<int>(bitmap.width), static_cast<int>(bitmap.rows), {},
                      static_cast<float>(slot->bitmap_left), ascender - static_cast<float>(slot->bitmap_top),
                      FromFixed26_6(slot->advance.x)};
  if (glyph.width == 0 || glyph.height == 0) {
    // Blank glyphs (the space) get one clear texel: the layout skips drawing
    // whitespace of at most 1x1 and still advances by its width.
    glyph.width = glyph.height = 1;
    glyph.coverage = {0};
    glyph.yOffset = 0;
    return glyph;
  }
  for (int row = 0; row < glyph.height; ++row) {
    const std::uint8_t* line = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
    glyph.coverage.insert(glyph.coverage.end(), line, line + glyph.width);
  }
  return glyph;
}

}  // namespace

SpriteFontData BakeSpriteFont(const FontBakeSettings& settings) {
  const std::string faceName = settings.faceFile.string();
  FT_Library rawLibrary = nullptr;
  if (FT_Init_FreeType(&rawLibrary) != 0) throw std::runtime_error("FreeType cannot start");
  const LibraryPtr library(rawLibrary);
  FT_Face rawFace = nullptr;
  if (FT_New_Face(library.get(), faceName.c_str(), 0, &rawFace) != 0)
    throw std::runtime_error(faceName + ": cannot load the font face");
  const FacePtr face(rawFace);
  if (FT_Set_Pixel_Sizes(face.get(), 0, static_cast<FT_UInt>(settings.pixelSize)) != 0)
    throw std::runtime_error(faceName + ": cannot size the face to " + std::to_string(settings.pixelSize) + " pixels");

  // Each line's glyphs hang from the ascender, so YOffset is the distance from
  // the line's top to the glyph's top.
  const float ascender = std::round(FromFixed26_6(face->size->metrics.ascender));
  std::vector<RenderedGlyph> rendered;
  for (std::uint32_t c = settings.firstCharacter; c <= settings.lastCharacter; ++c)
    rendered.push_back(Render(face.get(), c, ascender, faceName));

  SpriteFontData font;
  font.lineSpacing = std::round(FromFixed26_6(face->size->metrics.height));
  font.defaultCharacter = settings.defaultCharacter;
  font.width = static_cast<std::uint32_t>(settings.atlasWidth);

  // Shelf packing, left to right in rows as tall as their tallest glyph.
  const int pad = settings.padding;
  int x = pad, y = pad, rowHeight = 0;
  for (const RenderedGlyph& g : rendered) {
    if (x + g.width + pad > settings.atlasWidth) {
      x = pad;
      y += rowHeight + pad;
      rowHeight = 0;
    }
    if (g.width + 2 * pad > settings.atlasWidth) throw std::runtime_error(faceName + ": glyph wider than the atlas");
    // The pen moves by the advance in all: XOffset + width + XAdvance.
    font.glyphs.push_back({g.character, x, y, x + g.width, y + g.height, g.xOffset, g.yOffset,
                           g.advance - g.xOffset - static_cast<float>(g.width)});
    x += g.width + pad;
    rowHeight = std::max(rowHeight, g.height);
  }
  font.height = static_cast<std::uint32_t>(y + rowHeight + pad);

  font.rgba.assign(std::size_t{font.width} * font.height * 4, 0);
  for (std::size_t i = 0; i < rendered.size(); ++i) {
    const RenderedGlyph& g = rendered[i];
    const toolkit::Glyph& placed = font.glyphs[i];
    for (int row = 0; row < g.height; ++row) {
      for (int col = 0; col < g.width; ++col) {
        const std::uint8_t a = g.coverage[static_cast<std::size_t>(row) * g.width + col];
        const std::size_t at = (std::size_t(placed.top + row) * font.width + std::size_t(placed.left + col)) * 4;
        // Premultiplied white: every channel carries the coverage.
        std::fill_n(font.rgba.begin() + static_cast<std::ptrdiff_t>(at), 4, a);
      }
    }
  }
  return font;
}

}  // namespace quela::toolkit
