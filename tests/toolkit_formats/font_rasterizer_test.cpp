#include "toolkit/formats/font_rasterizer.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace quela::toolkit::test {
namespace {

// The baked italic font: printable ASCII in order (glyph c at c - 32), padded apart in a premultiplied
// atlas, sized in pixels, on one baseline. The file format itself is checked by the .spritefont tests
// and the baker's run, which reads the font back.
TEST(FontBaker, BakesPaddedGlyphsOnOneBaseline) {
  FontBakeSettings settings;
  settings.faceFile = QUELA_ITALIC_FACE;
  const SpriteFontData font = BakeSpriteFont(settings);
  ASSERT_EQ(font.glyphs.size(), 126u - 32u + 1u);
  EXPECT_EQ(font.glyphs.front().character, 32u);
  EXPECT_EQ(font.defaultCharacter, std::uint32_t('?'));
  const auto& g = font.glyphs;
  for (std::size_t i = 0; i < g.size(); ++i) {
    ASSERT_TRUE(g[i].left >= 1 && g[i].top >= 1) << char(g[i].character);
    ASSERT_TRUE(g[i].right <= std::int32_t(font.width) - 1 && g[i].bottom <= std::int32_t(font.height) - 1);
    for (std::size_t j = i + 1; j < g.size(); ++j) {
      // At least one clear texel between neighbours, so filtering never bleeds.
      const bool apart = g[i].right < g[j].left || g[j].right < g[i].left || g[i].bottom < g[j].top || g[j].bottom < g[i].top;
      ASSERT_TRUE(apart) << char(g[i].character) << " touches " << char(g[j].character);
    }
  }
  for (std::size_t at = 0; at < font.rgba.size(); at += 4)
    ASSERT_TRUE(font.rgba[at] == font.rgba[at + 3] && font.rgba[at + 1] == font.rgba[at + 3] && font.rgba[at + 2] == font.rgba[at + 3]);

  // Pixels, not FreeType's 26.6 units: a line a little over an em, five letters about half an em each.
  const float em = settings.pixelSize;
  EXPECT_TRUE(font.lineSpacing > em && font.lineSpacing < em * 1.5f) << font.lineSpacing;
  const float hello = toolkit::SpriteFontLayout(font).MeasureString("Hello")[0];
  EXPECT_TRUE(hello > 1.5f * em && hello < 4.0f * em) << hello;

  const auto glyph = [&](char c) -> const Glyph& { return g.at(static_cast<std::size_t>(c - 32)); };
  const auto baseline = [&](char c) { return glyph(c).yOffset + float(glyph(c).bottom - glyph(c).top); };
  for (char c : {'x', 'H', 'a', '1'}) EXPECT_NEAR(baseline(c), baseline('X'), 1.0f) << c;
  EXPECT_GT(baseline('g'), baseline('X') + 3);
  const Glyph& space = glyph(' ');
  EXPECT_EQ(space.right - space.left, 1);
  EXPECT_EQ(font.rgba[(std::size_t(space.top) * font.width + std::size_t(space.left)) * 4 + 3], 0);
  EXPECT_GT(space.xAdvance + 1, 5) << "a space still moves the pen";
}

TEST(FontBaker, MissingFaceIsAClearError) {
  FontBakeSettings settings;
  settings.faceFile = "/nonexistent/face.ttf";
  try {
    BakeSpriteFont(settings);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent/face.ttf"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace quela::toolkit::test
