#pragma once
// The table converters' BT.601 studio-range tables (16.16 fixed point), as the
// plain reference loop of the benchmark reads them.
#include <cstdint>

namespace quela {

struct YuvTables {
  std::int32_t y[256];          // (i - 16) * 76309: 1.164 (Y - 16)
  std::int32_t crToRed[256];    // (i - 128) * 104597: 1.596 (Cr - 128)
  std::int32_t cbToBlue[256];   // (i - 128) * 132201: 2.017 (Cb - 128)
  std::int32_t cbToGreen[256];  // (i - 128) * 25675: 0.392 (Cb - 128)
  std::int32_t crToGreen[256];  // (i - 128) * 53279: 0.813 (Cr - 128)
  std::uint8_t clip[1024];      // saturation for indices -384 to 639, stored from offset 0
};

constexpr int kClipOffset = 384;

constexpr YuvTables MakeYuvTables() {
  YuvTables t{};
  for (int i = 0; i < 256; ++i) {
    t.y[i] = (i - 16) * 76309;
    t.crToRed[i] = (i - 128) * 104597;
    t.cbToBlue[i] = (i - 128) * 132201;
    t.cbToGreen[i] = (i - 128) * 25675;
    t.crToGreen[i] = (i - 128) * 53279;
  }
  for (int i = 0; i < 1024; ++i) {
    const int v = i - kClipOffset;
    t.clip[i] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
  }
  return t;
}

inline constexpr YuvTables kYuvTables = MakeYuvTables();

}  // namespace quela
