#pragma once
// What the SSE2 and AVX2 kernels share: the scalar arithmetic every vector path
// must agree with, the row walks that hand blocks of pixels to a vector body and
// finish each row one pixel at a time, and the RGB expansions written once over a
// vector-operations type Ops. Included only by convert_kernels_sse2.cpp and
// convert_kernels_avx2.cpp, each built for its own instruction set: everything here
// has internal linkage, so an AVX2 copy can never stand in for the SSE2 one at link
// time. Use no library templates here for the same reason.
#include <cstddef>
#include <cstdint>
#include <xmmintrin.h>

#include "playback/convert/convert_kernels.h"
#include "playback/convert/yuv_arithmetic.h"

namespace quela {
namespace {

inline std::uint8_t Clip(int value) { return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value); }

// One pixel as the arithmetic A reads: bytes B, G, R, 255. The vector paths must agree with it.
template <class A>
inline void YuvPixelToBgra(int y, int u, int v, std::uint8_t* bgra) {
  const int luma = (A::kClampLuma && y < 16 ? 0 : y - 16) * A::kLuma + A::kRound;
  u -= 128;
  v -= 128;
  bgra[0] = Clip((luma + u * A::kBlueU) >> A::kShift);
  bgra[1] = Clip((luma + u * A::kGreenU + v * A::kGreenV) >> A::kShift);
  bgra[2] = Clip((luma + v * A::kRedV) >> A::kShift);
  bgra[3] = 255;
}

// A frame's output outgrows the caches, and a store that misses waits for its
// line: asking for the output's lines 4 KB ahead made 4K frames convert about 5%
// faster. A prefetch never faults, even past the buffer's end. Always inlined:
// GCC takes a call that only prefetches for one without effect and drops it.
[[gnu::always_inline]] inline void PrefetchOutput(std::uint8_t* d) {
  _mm_prefetch(reinterpret_cast<const char*>(d + 4096), _MM_HINT_T0);
}

// 4:2:0 planes two rows at a time: chroma row r / 2 serves luma rows r and r + 1, and
// an odd last row pairs with itself (written twice with the same values). U and V
// lie in planes of their own, or interleaved (U V pairs at u, v == u + 1).
// block(y0, y1, u, v, d0, d1) converts kStep pixels of both rows, u and v pointing
// at the chroma sample of their first column; the rest of a row goes pixel by pixel.
template <class A, int kStep, bool kInterleaved, class Block>
[[gnu::always_inline]] inline void Yuv420Rows(const std::uint8_t* y, std::ptrdiff_t yStride, const std::uint8_t* u,
                                              std::ptrdiff_t uStride, const std::uint8_t* v, std::ptrdiff_t vStride,
                                              std::uint8_t* dst, std::ptrdiff_t dstStride, int width, int height,
                                              Block block) {
  constexpr int step = kInterleaved ? 2 : 1;  // bytes from one chroma sample to the next
  for (int row = 0; row < height; row += 2) {
    const std::ptrdiff_t next = row + 1 < height ? 1 : 0;
    const std::uint8_t* y0 = y + row * yStride;
    const std::uint8_t* y1 = y0 + next * yStride;
    std::uint8_t* d0 = dst + row * dstStride;
    std::uint8_t* d1 = d0 + next * dstStride;
    const std::uint8_t* cu = u + (row / 2) * uStride;
    const std::uint8_t* cv = v + (row / 2) * vStride;
    int x = 0;
    for (; x + kStep <= width; x += kStep) {
      PrefetchOutput(d0 + 4 * x);
      PrefetchOutput(d1 + 4 * x);
      const int k = step * (x / 2);
      block(y0 + x, y1 + x, cu + k, cv + k, d0 + 4 * x, d1 + 4 * x);
    }
    for (; x < width; ++x) {
      const int k = step * (x / 2);
      YuvPixelToBgra<A>(y0[x], cu[k], cv[k], d0 + 4 * x);
      YuvPixelToBgra<A>(y1[x], cu[k], cv[k], d1 + 4 * x);
    }
  }
}

// YUY2 rows (Y0 U Y1 V) in the table arithmetic, kStep pixels per step: load(src)
// reads a step and works out its chroma, store(loaded, dst) writes its pixels.
// Each step is loaded before the one ahead of it is stored, so that the processor
// overlaps the chroma arithmetic of one step with the output of the other instead
// of waiting on one step's chain of multiplies at a time. An odd width reads its
// last pair's U and V and leaves its Y1.
template <int kStep, class Load, class Store>
[[gnu::always_inline]] inline void Packed422Rows(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst,
                                                 std::ptrdiff_t dstStride, int width, int height, Load load,
                                                 Store store) {
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* s = src + row * srcStride;
    std::uint8_t* d = dst + row * dstStride;
    int x = 0;
    if (width >= kStep) {
      auto loaded = load(s);
      for (; x + 2 * kStep <= width; x += kStep) {
        PrefetchOutput(d + 4 * x);
        const auto next = load(s + 2 * (x + kStep));
        store(loaded, d + 4 * x);
        loaded = next;
      }
      store(loaded, d + 4 * x);
      x += kStep;
    }
    for (; x < width; ++x) {
      const std::uint8_t* pair = s + 2 * (x & ~1);
      YuvPixelToBgra<TableArithmetic>(s[2 * x], pair[1], pair[3], d + 4 * x);
    }
  }
}

// 16-bit little-endian pixels; the expansion leaves the low bits zero (31 -> 248).
template <class Ops, int kGreenBits>
void Rgb16(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst, std::ptrdiff_t dstStride, int width,
           int height) {
  constexpr int n = Ops::kPixels;
  constexpr int greenMask = (1 << kGreenBits) - 1;
  constexpr int greenShift = 8 - kGreenBits;
  constexpr int redShift = 5 + kGreenBits;
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* s = src + row * srcStride;
    std::uint8_t* d = dst + row * dstStride;
    int x = 0;
    for (; x + n <= width; x += n) {
      PrefetchOutput(d + 4 * x);
      const typename Ops::V w = Ops::LoadWords(s + 2 * x);
      const typename Ops::V b = Ops::ShiftLeft(Ops::And(w, Ops::Set(31)), 3);
      const typename Ops::V g = Ops::ShiftLeft(Ops::And(Ops::ShiftRight(w, 5), Ops::Set(greenMask)), greenShift);
      const typename Ops::V r = Ops::ShiftLeft(Ops::And(Ops::ShiftRight(w, redShift), Ops::Set(31)), 3);
      Ops::StoreBgra(d + 4 * x, b, g, r);
    }
    for (; x < width; ++x) {
      const unsigned w = s[2 * x] | (s[2 * x + 1] << 8);
      std::uint8_t* p = d + 4 * x;
      p[0] = static_cast<std::uint8_t>((w & 31) << 3);
      p[1] = static_cast<std::uint8_t>(((w >> 5) & greenMask) << greenShift);
      p[2] = static_cast<std::uint8_t>(((w >> redShift) & 31) << 3);
      p[3] = 255;
    }
  }
}

inline void Rgb24Pixel(const std::uint8_t* s, std::uint8_t* d) {
  d[0] = s[0];
  d[1] = s[1];
  d[2] = s[2];
  d[3] = 255;
}

}  // namespace
}  // namespace quela
