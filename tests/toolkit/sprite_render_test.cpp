// Sprites and text drawn on Mesa llvmpipe: placement in viewport pixels,
// sorting, batching and text where MeasureString says.
#include <climits>

#include "tests/toolkit/gl_fixture.h"
#include "toolkit/formats/spritefont.h"
#include "toolkit/sprite_batch.h"
#include "toolkit/sprite_font.h"
#include "toolkit/texture.h"

namespace quela::toolkit::test {
namespace {

Texture2D Solid(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  const std::uint8_t rgba[16] = {r, g, b, 255, r, g, b, 255, r, g, b, 255, r, g, b, 255};
  return Texture2D(2, 2, false, rgba);
}

// 'A' is a solid 3 x 8 block with a 1-pixel advance; ' ' is empty.
SpriteFontData TinyFont() {
  SpriteFontData font;
  font.glyphs = {{' ', 0, 0, 1, 1, 0, 0, 3}, {'A', 1, 0, 4, 8, 0, 0, 1}};
  font.lineSpacing = 8;
  font.width = 4;
  font.height = 8;
  font.rgba.assign(4 * 8 * 4, 255);
  for (int y = 0; y < 8; ++y) std::fill_n(font.rgba.begin() + y * 16, 4, 0);  // column 0 transparent
  return font;
}

struct Box {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;  // right, bottom exclusive
  friend bool operator==(const Box&, const Box&) = default;
};
void PrintTo(const Box& b, std::ostream* os) { *os << b.left << "," << b.top << " - " << b.right << "," << b.bottom; }

class SpriteRender : public GlTest {
 protected:
  Box Painted() {
    std::vector<std::uint8_t> pixels(kSize * kSize * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target_.framebuffer());
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    Box box;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x)
        if (pixels[static_cast<std::size_t>((y * kSize + x) * 4)] != 0) {
          box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1), std::max(box.bottom, y + 1)};
        }
    return box;
  }

  SpriteBatch batch_{context_};
};

// Pixels from the top-left of the viewport, also for a viewport that does not
// start at the target's corner.
TEST_P(SpriteRender, SpritesLandInViewportPixels) {
  const Texture2D red = Solid(255, 0, 0);
  context_.SetViewport({16, 8, 32, 32});
  batch_.Begin();
  batch_.Draw(red, Rect{2, 3, 6, 5});
  batch_.End();
  EXPECT_EQ(Painted(), (Box{18, 11, 22, 13}));
}

TEST_P(SpriteRender, SortModesOrderTheSpritesAndBatchByTexture) {
  const Texture2D red = Solid(255, 0, 0), green = Solid(0, 255, 0);
  struct Row {
    SpriteSortMode mode;
    std::size_t drawCalls;
    Pixel onTop;
  } rows[] = {
      {SpriteSortMode::Deferred, 4, {0, 255, 0, 255}},     // in order: the last (green) wins
      {SpriteSortMode::Texture, 2, {0, 255, 0, 255}},      // all red, then all green
      {SpriteSortMode::BackToFront, 2, {255, 0, 0, 255}},  // greens (deeper) first, then the reds on top
      {SpriteSortMode::FrontToBack, 2, {0, 255, 0, 255}},
      {SpriteSortMode::Immediate, 1, {0, 255, 0, 255}},    // one call per Draw; End draws nothing more
  };
  for (const Row& r : rows) {
    context_.Clear(kBlack);
    batch_.Begin(r.mode);
    for (int i = 0; i < 4; ++i) {
      const bool isRed = i % 2 == 0;
      batch_.Draw(isRed ? red : green, Rect{0, 0, 8, 8}, nullptr, kWhite, 0, {}, SpriteEffects::None,
                  isRed ? 0.1f : 0.2f + 0.1f * i);
    }
    batch_.End();
    EXPECT_EQ(At(4, 4), r.onTop) << static_cast<int>(r.mode);
    if (r.mode != SpriteSortMode::Immediate) {
      EXPECT_EQ(batch_.drawCallsInLastEnd(), r.drawCalls) << static_cast<int>(r.mode);
    }
  }
}

TEST_P(SpriteRender, BeginEndMisuseIsRefused) {
  const Texture2D red = Solid(255, 0, 0);
  EXPECT_THROW(batch_.Draw(red, Vector2{}), std::logic_error);
  EXPECT_THROW(batch_.End(), std::logic_error);
  batch_.Begin();
  EXPECT_THROW(batch_.Begin(), std::logic_error);
  batch_.End();
}

// Text covers exactly the box MeasureString gives, at the position asked, in
// one draw call per line, also scaled.
TEST_P(SpriteRender, TextAppearsWhereMeasureStringSays) {
  const SpriteFont font(device_, TinyFont());
  struct Row {
    const char* text;
    Vector2 position;
    float scale;
  } rows[] = {{"AA", {10, 20}, 1}, {"A A", {3, 5}, 1}, {"AA\nA", {30, 9}, 1}, {"AA", {5, 5}, 2}};
  for (const Row& r : rows) {
    context_.Clear(kBlack);
    batch_.Begin();
    font.DrawString(batch_, r.text, r.position, kWhite, 0, {}, {r.scale, r.scale});
    batch_.End();
    EXPECT_EQ(batch_.drawCallsInLastEnd(), 1u) << r.text;
    const Vector2 size = font.MeasureString(r.text) * r.scale;
    EXPECT_EQ(Painted(), (Box{static_cast<int>(r.position.x), static_cast<int>(r.position.y),
                              static_cast<int>(r.position.x + size.x), static_cast<int>(r.position.y + size.y)}))
        << r.text;
  }
}

INSTANTIATE_TEST_SUITE_P(ClipSpaces, SpriteRender,
                         ::testing::Values(Device::ClipSpace::Auto, Device::ClipSpace::ShaderAdjust), ClipSpaceName);

}  // namespace
}  // namespace quela::toolkit::test
