#pragma once
// What the converter is told about a frame: the agreed format, and where one
// frame's planes sit in memory. Free of GStreamer so tests can build frames.
#include <cstddef>
#include <cstdint>

namespace quela {

// The nine formats the video sink accepts (GStreamer names in comments).
enum class PixelFormat {
  kNV12,    // NV12: Y plane, then one plane of interleaved U, V
  kYV12,    // YV12: planes Y, V, U
  kI420,    // I420: planes Y, U, V
  kIYUV,    // I420 by another name
  kYUY2,    // YUY2: packed Y0 U Y1 V
  kRGB555,  // RGB15: 16-bit native order, R bits 10-14, G 5-9, B 0-4
  kRGB565,  // RGB16: R 11-15, G 5-10, B 0-4
  kRGB24,   // BGR: bytes B, G, R
  kRGB32,   // BGRx: bytes B, G, R, X
};

struct FrameFormat {
  PixelFormat pixelFormat = PixelFormat::kNV12;
  std::int32_t width = 0;   // pixels
  std::int32_t height = 0;  // pixels
  bool bottomUp = false;    // rows stored bottom row first ("flipped"); converted frames keep that order
};

// One frame's planes in the format's own plane order (I420: Y, U, V; YV12: Y, V, U;
// NV12: Y, UV; packed formats: plane 0 only). Strides in bytes, each at least one row's bytes.
struct FramePlanes {
  const std::uint8_t* data[3] = {};
  std::ptrdiff_t stride[3] = {};
};

}  // namespace quela
