// .spritefont reader and writer (texture formats to RGBA8, hostile files) and the text layout
// rules (newline, carriage return, XOffset clamp, whitespace, missing characters, MeasureString).
#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "expect_rejected.h"
#include "tests/support/temp_dir.h"
#include "toolkit/formats/spritefont.h"

namespace quela::toolkit {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The fields of a raw .spritefont, encoded independently of WriteSpriteFont.
struct FontFields {
  std::string magic = "DXTKfont";
  std::vector<Glyph> glyphs = {{'A', 0, 0, 4, 8, 0, 0, 1}, {'B', 4, 0, 8, 8, 0, 0, 1}};
  std::optional<std::uint32_t> glyphCount{};  // overrides glyphs.size()
  float lineSpacing = 10;
  std::uint32_t defaultCharacter = 0;
  std::uint32_t width = 8, height = 8, format = 28, stride = 32, rows = 8;
  std::optional<std::size_t> dataBytes{};  // overrides stride * rows
  Bytes data{};                            // texture bytes; padded with a pattern
};

Bytes Encode(const FontFields& s) {
  Bytes b(s.magic.begin(), s.magic.end());
  const auto u32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i))); };
  const auto f32 = [&](float v) { u32(std::bit_cast<std::uint32_t>(v)); };
  u32(s.glyphCount.value_or(static_cast<std::uint32_t>(s.glyphs.size())));
  for (const Glyph& g : s.glyphs) {
    u32(g.character);
    u32(static_cast<std::uint32_t>(g.left)), u32(static_cast<std::uint32_t>(g.top));
    u32(static_cast<std::uint32_t>(g.right)), u32(static_cast<std::uint32_t>(g.bottom));
    f32(g.xOffset), f32(g.yOffset), f32(g.xAdvance);
  }
  f32(s.lineSpacing), u32(s.defaultCharacter);
  u32(s.width), u32(s.height), u32(s.format), u32(s.stride), u32(s.rows);
  const std::size_t n = s.dataBytes.value_or(std::size_t{s.stride} * s.rows);
  for (std::size_t i = 0; i < n; ++i) b.push_back(i < s.data.size() ? s.data[i] : static_cast<std::uint8_t>(i * 31 + 7));
  return b;
}

SpriteFontData Read(const Bytes& b) { return ReadSpriteFont(b, "test.spritefont"); }

SpriteFontData SampleFont() {
  SpriteFontData f;
  f.lineSpacing = 18.5f, f.defaultCharacter = '?', f.width = 12, f.height = 6;
  f.glyphs = {{' ', 0, 0, 1, 1, 0, 0, 4}, {'?', 1, 0, 4, 6, 0.5f, 1, 1}, {'g', 4, 0, 8, 6, -1, 3, 0.25f},
              {0xE9, 8, 0, 12, 6, 0, 0, 1}, {0x1F3AC, 0, 1, 0, 1, 0, 0, 0}};
  f.rgba.resize(12 * 6 * 4);
  for (std::size_t i = 0; i < f.rgba.size(); ++i) f.rgba[i] = static_cast<std::uint8_t>(i * 5 + 1);
  return f;
}

TEST(SpriteFontRoundTrip, ReadsBackExactlyWhatWasWritten) {
  const SpriteFontData font = SampleFont();
  const Bytes bytes = WriteSpriteFont(font);
  EXPECT_EQ(Read(bytes), font);

  const test::TempDir dir;
  const auto path = dir.Write("font.spritefont", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  EXPECT_EQ(ReadSpriteFontFile(path.string()), font);
  std::filesystem::remove(path);
  test::ExpectRejected([&] { ReadSpriteFontFile(path.string()); }, path.string(), "");
}

// A font of one glyph covering a width x height texture of the given layout.
FontFields WithTexture(std::int32_t width, std::int32_t height, std::uint32_t format, std::uint32_t stride, std::uint32_t rows,
                       Bytes data) {
  return {.glyphs = {{'A', 0, 0, width, height, 0, 0, 0}}, .width = std::uint32_t(width), .height = std::uint32_t(height),
          .format = format, .stride = stride, .rows = rows, .data = std::move(data)};
}

TEST(SpriteFontTexture, UncompressedFormatsSkipTheRowPadding) {
  // R8G8B8A8 with 4 bytes of padding a row.
  const Bytes rgba8 = {1, 2, 3, 4, 5, 6, 7, 8, 99, 99, 99, 99, 9, 10, 11, 12, 13, 14, 15, 16, 99, 99, 99, 99};
  EXPECT_EQ(Read(Encode(WithTexture(2, 2, 28, 12, 2, rgba8))).rgba,
            (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
  // B4G4R4A4: b | g << 4 | r << 8 | a << 12, little-endian; two bytes of row padding.
  const Bytes bgra4 = {0x42, 0xF8, 0x00, 0x0F, 0xEE, 0xEE, 0x0F, 0x00, 0xF0, 0x70, 0xEE, 0xEE};
  EXPECT_EQ(Read(Encode(WithTexture(2, 2, 115, 6, 2, bgra4))).rgba,
            (Bytes{0x88, 0x44, 0x22, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x77}));
}

TEST(SpriteFontMalformed, TruncatedAtEveryByte) {
  const Bytes full = Encode({.defaultCharacter = 'A'});
  ASSERT_NO_THROW(Read(full));
  for (std::size_t n = 0; n < full.size(); ++n) {
    SCOPED_TRACE(n);
    test::ExpectRejected([&] { Read(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n))); }, "test.spritefont", "only");
  }
}

struct HostileRow { const char* label; void (*edit)(FontFields&); const char* fault; };

const HostileRow kHostileRows[] = {
    {"bad magic", [](FontFields& s) { s.magic = "DXTKfonx"; }, "magic"},
    {"zero glyphs", [](FontFields& s) { s.glyphs.clear(); }, "glyph count is 0"},
    {"huge glyph count", [](FontFields& s) { s.glyphCount = 0xFFFFFFFF; }, "glyphs: 4294967295 x 32"},
    {"unsorted glyphs", [](FontFields& s) { std::swap(s.glyphs[0], s.glyphs[1]); }, "glyph 1 (U+0041): glyphs not sorted by character (after U+0042)"},
    {"duplicate character", [](FontFields& s) { s.glyphs[1].character = 'A'; }, "glyph 1 (U+0041): duplicate character"},
    {"negative left", [](FontFields& s) { s.glyphs[0].left = -1; }, "glyph 0 (U+0041): rectangle (-1, 0)-(4, 8) is negative"},
    {"inverted rectangle", [](FontFields& s) { s.glyphs[1].right = 3; }, "glyph 1 (U+0042): rectangle (4, 0)-(3, 8) is inverted"},
    {"rectangle past the texture", [](FontFields& s) { s.glyphs[1].bottom = 9; }, "not inside the 8x8 texture"},
    {"NaN advance", [](FontFields& s) { s.glyphs[0].xAdvance = std::numeric_limits<float>::quiet_NaN(); }, "not a finite number"},
    {"default character missing", [](FontFields& s) { s.defaultCharacter = 'Z'; }, "default character U+005A has no glyph"},
    {"unknown format", [](FontFields& s) { s.format = 87; }, "texture format 87 not supported"},
    {"zero width", [](FontFields& s) { s.width = 0; }, "texture size 0x8 outside 1..16384"},
    {"stride too small", [](FontFields& s) { s.stride = 31; }, "texture stride 31 smaller than a row (32 bytes)"},
    {"stride too small for 4-bit", [](FontFields& s) { s.format = 115, s.stride = 15; }, "smaller than a row (16 bytes)"},
    {"rows differ from height", [](FontFields& s) { s.rows = 7; }, "texture rows 7, expected 8"},
    {"BC2 rows are block rows", [](FontFields& s) { s.format = 74, s.rows = 8; }, "texture rows 8, expected 2"},
    {"BC2 size not a multiple of 4", [](FontFields& s) { s.format = 74, s.width = 6, s.stride = 32, s.rows = 2; }, "BC2 texture size 6x8 not a multiple of 4"},
    {"texture data truncated", [](FontFields& s) { s.dataBytes = 200; }, "texture data: 256 bytes needed"},
    {"huge stride", [](FontFields& s) { s.stride = 0xFFFFFFFF, s.dataBytes = 16; }, "texture data: 34359738360 bytes needed"},
};

TEST(SpriteFontMalformed, TableOfRejections) {
  for (const HostileRow& row : kHostileRows) {
    SCOPED_TRACE(row.label);
    FontFields s;
    row.edit(s);
    EXPECT_LT(test::ExpectRejected([&] { Read(Encode(s)); }, "test.spritefont", row.fault), 1u << 20) << "allocated from a count";
  }
}

struct Placed { std::uint32_t character; float x, y; friend bool operator==(const Placed&, const Placed&) = default; };

void PrintTo(const Placed& p, std::ostream* os) { *os << "{U+" << std::hex << p.character << std::dec << " " << p.x << "," << p.y << "}"; }

SpriteFontData LayoutFont(std::uint32_t defaultCharacter) {
  SpriteFontData f;
  f.lineSpacing = 10, f.defaultCharacter = defaultCharacter, f.width = 32, f.height = 16;
  f.rgba.assign(32 * 16 * 4, 0);
  f.glyphs = {
      {' ', 0, 0, 1, 1, 0, 0, 4},        // whitespace 1x1: not drawn, advances 5
      {'?', 10, 0, 13, 7, 0, 1, 1},      // 3x7
      {'A', 1, 0, 6, 8, 1, 2, 1},        // 5x8, XOffset +1, YOffset 2
      {'B', 6, 0, 10, 12, -2, 0, 0},     // 4x12, negative XOffset
      {0xE9, 13, 0, 17, 9, 0, 0, 1},     // é
      {0x3000, 17, 0, 20, 3, 0, 0, 0},   // ideographic space with a 3x3 rectangle: drawn
  };
  return f;
}

std::vector<Placed> Lay(const SpriteFontData& font, std::string_view text) {
  std::vector<Placed> out;
  SpriteFontLayout(font).ForEachGlyph(text, [&](const Glyph& g, float x, float y) { out.push_back({g.character, x, y}); });
  return out;
}

TEST(SpriteFontLayout, PlacesGlyphs) {
  struct Row { const char* label; std::uint32_t defaultCharacter; std::string_view text; std::vector<Placed> placed; };
  const Row rows[] = {
      {"offsets and widths", 0, "AB", {{'A', 1, 2}, {'B', 5, 0}}},
      {"clamped only at line start", 0, "A\nBB", {{'A', 1, 2}, {'B', 0, 10}, {'B', 2, 10}}},
      {"CR LF, carriage returns ignored", 0, "\rA\r\n\rA\r", {{'A', 1, 2}, {'A', 1, 12}}},
      {"1x1 whitespace advances undrawn", 0, " A", {{'A', 6, 2}}},
      {"larger whitespace is drawn", 0, "\u3000A", {{0x3000, 0, 0}, {'A', 4, 2}}},
      {"UTF-8", 0, "é", {{0xE9, 0, 0}}},
      {"missing character: default glyph", '?', "AZ", {{'A', 1, 2}, {'?', 7, 1}}},
      // Invalid UTF-8 becomes U+FFFD, which this font lacks: the default glyph.
      {"invalid byte", '?', "\xFF" "A", {{'?', 0, 1}, {'A', 5, 2}}},
      {"truncated sequence: one U+FFFD", '?', "\xE2\x82", {{'?', 0, 1}}},
  };
  for (const Row& row : rows) EXPECT_EQ(Lay(LayoutFont(row.defaultCharacter), row.text), row.placed) << row.label;
  auto withReplacement = LayoutFont('?');  // a font with U+FFFD uses it: a surrogate gives 3 subparts
  withReplacement.glyphs.push_back({0xFFFD, 20, 0, 22, 2, 0, 0, 0});
  EXPECT_EQ(Lay(withReplacement, "\xED\xA0\x80"), (std::vector<Placed>{{0xFFFD, 0, 0}, {0xFFFD, 2, 0}, {0xFFFD, 4, 0}}));
}

TEST(SpriteFontLayout, MissingCharacterWithoutDefaultThrows) {
  const auto font = LayoutFont(0);
  EXPECT_EQ(SpriteFontLayout(font).FindGlyph('Z'), nullptr);
  try {
    Lay(font, "AZ");
    ADD_FAILURE() << "no error";
  } catch (const MissingGlyphError& e) {
    EXPECT_EQ(e.character(), std::uint32_t{'Z'});
    EXPECT_NE(std::string(e.what()).find("U+005A"), std::string::npos) << e.what();
  }
}

TEST(SpriteFontLayout, MeasureString) {
  const SpriteFontData font = LayoutFont(0);
  const SpriteFontLayout layout(font);
  using Size = std::array<float, 2>;
  EXPECT_EQ(layout.MeasureString(""), (Size{0, 0}));
  EXPECT_EQ(layout.MeasureString(" "), (Size{0, 0}));
  EXPECT_EQ(layout.MeasureString("A"), (Size{6, 10}));     // x 1 + width 5; max(8 + 2, 10)
  EXPECT_EQ(layout.MeasureString("AB"), (Size{9, 12}));    // B: 5 + 4; height 12 > line spacing
  EXPECT_EQ(layout.MeasureString("A "), (Size{6, 10}));    // trailing space not drawn
  EXPECT_EQ(layout.MeasureString("A\nAB"), (Size{9, 22}));  // 10 + 12
  EXPECT_EQ(layout.MeasureString("A\r\n\nA"), (Size{6, 30}));
}

}  // namespace
}  // namespace quela::toolkit
