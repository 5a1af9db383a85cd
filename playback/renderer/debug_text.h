#pragma once
// The debug text drawn over each view: its wording, its face rasterised once,
// and its line breaking inside the view.
#include <functional>
#include <string>
#include <string_view>

#include "playback/renderer/target_layout.h"
#include "toolkit/formats/font_rasterizer.h"
#include "toolkit/formats/spritefont.h"

namespace quela {

inline constexpr const char* kDebugFontFile = toolkit::kSystemSansFace;
inline constexpr float kDebugFontSize = 50.0f;  // DIPs, the em size

struct DebugTextValues {
  int view = 0;
  int buffer = 0;
  PixelRect source;   // the view's part of the frame
  RectF destination;  // where the picture is drawn, DIPs
  int videoWidth = 0;
  int videoHeight = 0;
  float dpiX = kLogicalDpi;
  float dpiY = kLogicalDpi;
  float screenScaleX = 0;  // the screen scale's first component
  bool flipped = false;
};

// "Target <view> <buffer> \nSrc[...] RT[...] \nVideo[...] DPI[...] Aspect[...] \nFlipped[...]",
// at most 255 characters. Any thread.
std::string FormatDebugText(const DebugTextValues& values);

// Printable ASCII of the face at kDebugFontSize DIPs for this DPI, with hard
// glyph edges (the text is drawn without antialiasing). Throws
// std::runtime_error when the face cannot be read. Any thread.
toolkit::SpriteFontData RasteriseDebugFont(const std::string& faceFile, float dpiY);

// Breaks each line of text at blanks so that no line measures wider than
// maxWidth, where possible; a word wider than that stays whole on its own line.
std::string WrapText(std::string_view text, float maxWidth, const std::function<float(std::string_view)>& measureWidth);

}  // namespace quela
