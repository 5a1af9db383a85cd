#pragma once
// The table converters written plainly, independent of the library, and
// OpenCV's own conversion: what every fast path must reproduce byte for byte.
#include <cstddef>
#include <cstdint>
#include <opencv2/imgproc.hpp>

namespace quela::test {

struct Bgra {
  std::uint8_t b, g, r, a;
  bool operator==(const Bgra&) const = default;
};

inline Bgra ReferenceYuv(int y, int u, int v) {
  static const struct Tables {
    int y[256], crToRed[256], cbToBlue[256], cbToGreen[256], crToGreen[256];
    std::uint8_t clip[1024];
    Tables() {
      for (int i = 0; i < 256; ++i) {
        this->y[i] = (i - 16) * 76309;
        crToRed[i] = (i - 128) * 104597;
        cbToBlue[i] = (i - 128) * 132201;
        cbToGreen[i] = (i - 128) * 25675;
        crToGreen[i] = (i - 128) * 53279;
      }
      for (int i = -384; i < 640; ++i) clip[i + 384] = static_cast<std::uint8_t>(i < 0 ? 0 : i > 255 ? 255 : i);
    }
  } t;
  const std::uint8_t* clip = t.clip + 384;
  const int luma = t.y[y];
  return Bgra{clip[(luma + t.cbToBlue[u]) >> 16], clip[(luma - t.cbToGreen[u] - t.crToGreen[v]) >> 16],
              clip[(luma + t.crToRed[v]) >> 16], 255};
}

inline Bgra PixelAt(const std::uint8_t* bgra, std::ptrdiff_t stride, int x, int y) {
  const std::uint8_t* p = bgra + y * stride + 4 * x;
  return Bgra{p[0], p[1], p[2], p[3]};
}

// OpenCV's value for one (Y, U, V), from a 2 x 2 NV12 frame.
inline Bgra OpenCvPixel(std::uint8_t y, std::uint8_t u, std::uint8_t v) {
  std::uint8_t nv12[6] = {y, y, y, y, u, v};
  cv::Mat out;
  cv::cvtColor(cv::Mat(3, 2, CV_8UC1, nv12), out, cv::COLOR_YUV2BGRA_NV12);
  return PixelAt(out.data, 8, 0, 0);
}

inline Bgra ReferenceRgb555(unsigned v) {
  return Bgra{static_cast<std::uint8_t>((v & 31) * 8), static_cast<std::uint8_t>(((v >> 5) & 31) * 8),
              static_cast<std::uint8_t>(((v >> 10) & 31) * 8), 255};
}

inline Bgra ReferenceRgb565(unsigned v) {
  return Bgra{static_cast<std::uint8_t>((v & 31) * 8), static_cast<std::uint8_t>(((v >> 5) & 63) * 4),
              static_cast<std::uint8_t>(((v >> 11) & 31) * 8), 255};
}

}  // namespace quela::test
