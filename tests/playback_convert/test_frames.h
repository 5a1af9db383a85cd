#pragma once
// Frames of random bytes in any of the nine formats: compact (one buffer, planes
// in order, rows exactly their bytes) or padded (each plane its own allocation,
// ending with its last row).
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "playback/convert/frame_description.h"

namespace quela::test {

// {bytes per row, rows} of each plane.
inline std::vector<std::pair<int, int>> PlaneShapes(PixelFormat format, int w, int h) {
  const int cw = (w + 1) / 2, ch = (h + 1) / 2;
  switch (format) {
    case PixelFormat::kNV12: return {{w, h}, {2 * cw, ch}};
    case PixelFormat::kYUY2: return {{4 * cw, h}};
    case PixelFormat::kRGB555:
    case PixelFormat::kRGB565: return {{2 * w, h}};
    case PixelFormat::kRGB24: return {{3 * w, h}};
    case PixelFormat::kRGB32: return {{4 * w, h}};
    default: return {{w, h}, {cw, ch}, {cw, ch}};
  }
}

class TestFrame {
 public:
  TestFrame(PixelFormat format, int w, int h, int rowPadding, std::uint32_t seed) {
    std::mt19937 random(seed);
    const auto shapes = PlaneShapes(format, w, h);
    std::size_t offset = 0;
    if (rowPadding == 0) {
      for (const auto& [rowBytes, rows] : shapes) offset += static_cast<std::size_t>(rowBytes) * rows;
      storage_.emplace_back(offset);
      offset = 0;
    }
    for (std::size_t p = 0; p < shapes.size(); ++p) {
      const auto [rowBytes, rows] = shapes[p];
      const int stride = rowBytes + rowPadding;
      if (rowPadding) storage_.emplace_back(static_cast<std::size_t>(stride) * (rows - 1) + rowBytes, std::uint8_t{0xEE});
      std::uint8_t* base = storage_.back().data() + (rowPadding ? 0 : offset);
      offset += static_cast<std::size_t>(stride) * rows;
      for (int row = 0; row < rows; ++row) {
        for (int x = 0; x < rowBytes; ++x) base[row * stride + x] = static_cast<std::uint8_t>(random());
      }
      planes_.data[p] = base;
      planes_.stride[p] = stride;
    }
  }
  const FramePlanes& Planes() const { return planes_; }

 private:
  std::vector<std::vector<std::uint8_t>> storage_;
  FramePlanes planes_;
};

}  // namespace quela::test
