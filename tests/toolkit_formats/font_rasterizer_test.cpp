#include "toolkit/formats/font_rasterizer.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace quela::toolkit::test {
namespace {

const SpriteFontData& Italic() {
  static const SpriteFontData font = [] {
    FontBakeSettings settings;
    settings.faceFile = QUELA_ITALIC_FACE;
    return BakeSpriteFont(settings);
  }();
  return font;
}

// Printable ASCII, sorted and complete (the first test shows it), so glyph c sits at c - 32.
const Glyph& GlyphOf(char c) { return Italic().glyphs.at(static_cast<std::size_t>(c - 32)); }

TEST(FontBaker, CoversPrintableAsciiWithADefaultAndMeasuresPlausibly) {
  const SpriteFontData& font = Italic();
  ASSERT_EQ(font.glyphs.size(), 126u - 32u + 1u);
  EXPECT_EQ(font.glyphs.front().character, 32u);
  EXPECT_EQ(font.glyphs.back().character, 126u);
  EXPECT_EQ(font.defaultCharacter, std::uint32_t('?'));
  // What the program loads: the bytes survive the file format unchanged (which also checks the order).
  EXPECT_EQ(toolkit::ReadSpriteFont(toolkit::WriteSpriteFont(font), "<baked>"), font);
  const float em = FontBakeSettings{}.pixelSize;
  EXPECT_GT(font.lineSpacing, em);
  EXPECT_LT(font.lineSpacing, em * 1.5f);
  // Five letters of a sans face: roughly half an em each.
  const auto hello = toolkit::SpriteFontLayout(font).MeasureString("Hello");
  EXPECT_GT(hello[0], 1.5f * em);
  EXPECT_LT(hello[0], 4.0f * em);
}

TEST(FontBaker, GlyphsArePaddedAndInsideThePremultipliedAtlas) {
  const SpriteFontData& font = Italic();
  const auto& g = font.glyphs;
  for (std::size_t i = 0; i < g.size(); ++i) {
    ASSERT_GE(g[i].left, 1);
    ASSERT_GE(g[i].top, 1);
    ASSERT_LE(g[i].right, std::int32_t(font.width) - 1);
    ASSERT_LE(g[i].bottom, std::int32_t(font.height) - 1);
    for (std::size_t j = i + 1; j < g.size(); ++j) {
      // At least one clear texel between neighbours, so filtering never bleeds.
      const bool apart = g[i].right < g[j].left || g[j].right < g[i].left || g[i].bottom < g[j].top || g[j].bottom < g[i].top;
      ASSERT_TRUE(apart) << char(g[i].character) << " touches " << char(g[j].character);
    }
  }
  for (std::size_t at = 0; at < font.rgba.size(); at += 4)
    ASSERT_TRUE(font.rgba[at] == font.rgba[at + 3] && font.rgba[at + 1] == font.rgba[at + 3] && font.rgba[at + 2] == font.rgba[at + 3]);
}

TEST(FontBaker, GlyphsShareTheBaselineAndTheSpaceIsBlank) {
  // Bottom of glyphs without descenders: the baseline, whatever their height.
  const auto baseline = [](char c) { return GlyphOf(c).yOffset + float(GlyphOf(c).bottom - GlyphOf(c).top); };
  for (char c : {'x', 'H', 'a', '1'}) EXPECT_NEAR(baseline(c), baseline('X'), 1.0f) << c;
  EXPECT_GT(baseline('g'), baseline('X') + 3);
  EXPECT_GT(GlyphOf('X').yOffset, 0);

  const Glyph& space = GlyphOf(' ');
  EXPECT_EQ(space.right - space.left, 1);
  EXPECT_EQ(Italic().rgba[(std::size_t(space.top) * Italic().width + std::size_t(space.left)) * 4 + 3], 0);
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
