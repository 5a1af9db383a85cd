#include "ovr/hsw_panel_image.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>

#include "app/log/g2log.h"
#include "toolkit/formats/font_rasterizer.h"
#include "toolkit/formats/spritefont.h"

namespace quela::ovr {
namespace {

constexpr std::array<std::uint8_t, 3> kBackground{20, 26, 36};
constexpr std::array<std::uint8_t, 3> kFrame{217, 217, 217};
constexpr std::array<std::uint8_t, 3> kText{255, 255, 255};

void Fill(PanelImage& image, int x0, int y0, int x1, int y1, std::array<std::uint8_t, 3> colour) {
  for (int y = std::max(y0, 0); y < std::min(y1, image.height); ++y)
    for (int x = std::max(x0, 0); x < std::min(x1, image.width); ++x) {
      std::uint8_t* p = &image.rgba[(static_cast<std::size_t>(y) * image.width + x) * 4];
      p[0] = colour[0], p[1] = colour[1], p[2] = colour[2], p[3] = 255;
    }
}

// Draws one line centred on centreX with its top at top; the glyphs' coverage blends the text colour
// over what is there.
void DrawLine(PanelImage& image, const toolkit::SpriteFontData& font, const std::string& line, float centreX, float top) {
  const toolkit::SpriteFontLayout layout(font);
  const float left = std::round(centreX - layout.MeasureString(line)[0] / 2);
  layout.ForEachGlyph(line, [&](const toolkit::Glyph& glyph, float gx, float gy) {
    for (int row = glyph.top; row < glyph.bottom; ++row)
      for (int col = glyph.left; col < glyph.right; ++col) {
        const int x = static_cast<int>(left + gx) + col - glyph.left;
        const int y = static_cast<int>(top + gy) + row - glyph.top;
        if (x < 0 || y < 0 || x >= image.width || y >= image.height) continue;
        const unsigned coverage = font.rgba[(static_cast<std::size_t>(row) * font.width + col) * 4 + 3];
        std::uint8_t* p = &image.rgba[(static_cast<std::size_t>(y) * image.width + x) * 4];
        for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>((p[c] * (255 - coverage) + kText[c] * coverage + 127) / 255);
      }
  });
}

}  // namespace

const std::vector<std::string>& HswNoticeLines() {
  static const std::vector<std::string> lines{
      "HEALTH & SAFETY",
      "Read the warnings that came with your headset before use.",
      "Stay seated and keep the space around you clear.",
      "Take regular breaks, and stop at once if you feel unwell.",
      "Press any key to continue",
  };
  return lines;
}

PanelImage RenderHswPanel(int width, int height, const std::filesystem::path& faceFile, bool dismissible) {
  PanelImage image;
  image.width = std::max(width, 16);
  image.height = std::max(height, 16);
  image.rgba.assign(static_cast<std::size_t>(image.width) * image.height * 4, 0);
  const int frame = std::max(2, image.height / 80);
  Fill(image, 0, 0, image.width, image.height, kFrame);
  Fill(image, frame, frame, image.width - frame, image.height - frame, kBackground);

  const std::vector<std::string>& lines = HswNoticeLines();
  // Rows: a title, a gap, the body, a gap, the last line.
  const float row = image.height / (lines.size() + 3.0f);
  try {
    toolkit::FontBakeSettings settings;
    settings.faceFile = faceFile;
    settings.atlasWidth = 1024;
    settings.pixelSize = std::max(6, static_cast<int>(row * 0.6f));
    toolkit::SpriteFontData body = toolkit::BakeSpriteFont(settings);
    // The widest line must fit inside the frame with a margin on either side.
    float widest = 0;
    {
      const toolkit::SpriteFontLayout layout(body);
      for (const std::string& line : lines) widest = std::max(widest, layout.MeasureString(line)[0]);
    }
    const float room = image.width * 0.9f - 2 * frame;
    if (widest > room) {
      settings.pixelSize = std::max(6, static_cast<int>(settings.pixelSize * room / widest));
      body = toolkit::BakeSpriteFont(settings);
    }
    const int bodySize = settings.pixelSize;
    settings.pixelSize = std::max(6, static_cast<int>(bodySize * 1.5f));
    const toolkit::SpriteFontData title = toolkit::BakeSpriteFont(settings);

    const float centreX = image.width / 2.0f;
    DrawLine(image, title, lines.front(), centreX, row * 0.6f);
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) DrawLine(image, body, lines[i], centreX, row * (i + 1.2f));
    if (dismissible) DrawLine(image, body, lines.back(), centreX, image.height - row * 1.25f);
    image.hasText = true;
  } catch (const std::exception& error) {
    LOGF(WARNING, "Health and safety notice drawn without its text: %s", error.what());
  }
  return image;
}

}  // namespace quela::ovr
