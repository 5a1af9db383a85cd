#include "playback/sink/plane_bounds.h"

#include <cstddef>

namespace quela {
namespace {

struct PlaneShape {
  std::int64_t rowBytes = 0;  // 0: the format has no such plane
  std::int64_t rows = 0;
};

void FormatPlanes(const FrameFormat& format, PlaneShape (&shape)[3]) {
  const std::int64_t w = format.width;
  const std::int64_t h = format.height;
  const std::int64_t chromaWidth = (w + 1) / 2;
  const std::int64_t chromaRows = (h + 1) / 2;
  switch (format.pixelFormat) {
    case PixelFormat::kNV12:
      shape[0] = {w, h};
      shape[1] = {2 * chromaWidth, chromaRows};
      break;
    case PixelFormat::kYV12:
    case PixelFormat::kI420:
    case PixelFormat::kIYUV:
      shape[0] = {w, h};
      shape[1] = shape[2] = {chromaWidth, chromaRows};
      break;
    case PixelFormat::kYUY2: shape[0] = {4 * chromaWidth, h}; break;
    case PixelFormat::kRGB555:
    case PixelFormat::kRGB565: shape[0] = {2 * w, h}; break;
    case PixelFormat::kRGB24: shape[0] = {3 * w, h}; break;
    case PixelFormat::kRGB32: shape[0] = {4 * w, h}; break;
  }
}

}  // namespace

bool PlanesWithinMapping(const FrameFormat& format, const FramePlanes& planes, const MappedSpan (&mapped)[3]) {
  if (format.width <= 0 || format.height <= 0) return false;
  PlaneShape shape[3];
  FormatPlanes(format, shape);
  for (int p = 0; p < 3; ++p) {
    if (shape[p].rowBytes == 0) continue;
    // Addresses as integers: pointer arithmetic outside an object is undefined.
    const auto begin = reinterpret_cast<std::uintptr_t>(mapped[p].begin);
    const auto end = reinterpret_cast<std::uintptr_t>(mapped[p].end);
    const auto data = reinterpret_cast<std::uintptr_t>(planes.data[p]);
    const std::int64_t stride = planes.stride[p];
    if (!planes.data[p] || data < begin || data >= end || stride < shape[p].rowBytes) return false;
    const std::uint64_t available = end - data;
    if (shape[p].rows > 1 && static_cast<std::uint64_t>(stride) > available) return false;  // keeps the product small
    const std::uint64_t needed =
        static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(shape[p].rows - 1) + shape[p].rowBytes;
    if (needed > available) return false;
  }
  return true;
}

}  // namespace quela
