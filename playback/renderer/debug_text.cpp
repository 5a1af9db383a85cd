#include "playback/renderer/debug_text.h"

#include <cmath>
#include <cstdio>

#include "toolkit/formats/font_rasterizer.h"

namespace quela {

std::string FormatDebugText(const DebugTextValues& v) {
  char text[256];
  std::snprintf(text, sizeof text,
                "Target %d %d \nSrc[%.0f,%.0f,%.0f,%.0f] RT[%.0f,%.0f] \nVideo[%d,%d] DPI[%.0f,%.0f] "
                "Aspect[%.04f] \nFlipped[%d]",
                v.view, v.buffer, double(v.source.left), double(v.source.top), double(v.source.right),
                double(v.source.bottom), double(v.destination.right * v.dpiX / kLogicalDpi),
                double(v.destination.bottom * v.dpiY / kLogicalDpi), v.videoWidth, v.videoHeight, double(v.dpiX),
                double(v.dpiY), double(v.screenScaleX), v.flipped ? 1 : 0);
  return text;
}

toolkit::SpriteFontData RasteriseDebugFont(const std::string& faceFile, float dpiY) {
  toolkit::FontBakeSettings settings;
  settings.faceFile = faceFile;
  settings.pixelSize = static_cast<int>(std::lround(kDebugFontSize * dpiY / kLogicalDpi));
  settings.atlasWidth = 1024;
  toolkit::SpriteFontData font = toolkit::BakeSpriteFont(settings);
  for (std::uint8_t& channel : font.rgba) channel = channel >= 128 ? 255 : 0;
  return font;
}

std::string WrapText(std::string_view text, float maxWidth,
                     const std::function<float(std::string_view)>& measureWidth) {
  std::string wrapped;
  std::string line;
  auto endLine = [&] {
    wrapped += line;
    line.clear();
  };
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t blank = text.find_first_of(" \n", at);
    const std::size_t end = blank == std::string_view::npos ? text.size() : blank;
    const std::string_view word = text.substr(at, end - at);
    const char separator = end < text.size() ? text[end] : '\0';
    // A blank stays on the line it ends, as the text's own trailing blanks do.
    if (!word.empty() && !line.empty() && measureWidth(line + std::string(word)) > maxWidth) {
      line += '\n';
      endLine();
    }
    line += word;
    if (separator == ' ') line += ' ';
    if (separator == '\n') {
      line += '\n';
      endLine();
    }
    at = end + 1;
  }
  endLine();
  return wrapped;
}

}  // namespace quela
