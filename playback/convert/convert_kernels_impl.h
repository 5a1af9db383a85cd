#pragma once
// The kernels' bodies, written once over a vector-operations type Ops. Included
// only by convert_kernels_sse2.cpp and convert_kernels_avx2.cpp, each built for
// its own instruction set: everything here has internal linkage, so an AVX2
// copy can never stand in for the SSE2 one at link time. Use no library
// templates here for the same reason.
#include <cstddef>
#include <cstdint>

#include "playback/convert/yuv_tables.h"

namespace quela {
namespace {

// One pixel straight from the tables: bytes B, G, R, 255. The vector paths must agree with it.
inline void YuvPixelToBgra(std::uint8_t y, std::uint8_t u, std::uint8_t v, std::uint8_t* bgra) {
  const std::int32_t luma = kYuvTables.y[y];
  const std::uint8_t* clip = kYuvTables.clip + kClipOffset;
  bgra[0] = clip[(luma + kYuvTables.cbToBlue[u]) >> 16];
  bgra[1] = clip[(luma - kYuvTables.cbToGreen[u] - kYuvTables.crToGreen[v]) >> 16];
  bgra[2] = clip[(luma + kYuvTables.crToRed[v]) >> 16];
  bgra[3] = 255;
}

// The table arithmetic in 16-bit lanes, exact for every input. Each 16.16
// product is split as hi * 65536 + lo with lo in [0, 65535], so
// (a + b) >> 16 == hiA + hiB + carry, where carry is 1 when loA + loB >= 65536,
// that is when (loB ^ 0x8000) > (loA ^ 0x7FFF) as signed 16-bit values.
// Constants above 32767 are split as k * 65536 + c with c in 16 bits.
template <class Ops>
struct ChromaTerms {
  typename Ops::V blueHi, blueLo;  // the lo parts carry the ^ 0x8000 bias
  typename Ops::V greenHi, greenLo;
  typename Ops::V redHi, redLo;
};

// Inlined by force: called out of line, the terms would round-trip through memory.
template <class Ops>
[[gnu::always_inline]] inline ChromaTerms<Ops> MakeChromaTerms(typename Ops::V u, typename Ops::V v) {
  using V = typename Ops::V;
  const V bias = Ops::Set(0x8000);
  u = Ops::Sub(u, Ops::Set(128));
  v = Ops::Sub(v, Ops::Set(128));
  ChromaTerms<Ops> t;
  // 132201 = 2 * 65536 + 1129
  t.blueHi = Ops::Add(Ops::Add(u, u), Ops::MulHi(u, Ops::Set(1129)));
  t.blueLo = Ops::Xor(Ops::MulLo(u, Ops::Set(1129)), bias);
  // 104597 = 2 * 65536 - 26475
  t.redHi = Ops::Add(Ops::Add(v, v), Ops::MulHi(v, Ops::Set(-26475)));
  t.redLo = Ops::Xor(Ops::MulLo(v, Ops::Set(-26475)), bias);
  // Green subtracts both products: -25675 u and -53279 v = (-65536 + 12257) v.
  const V uHi = Ops::MulHi(u, Ops::Set(-25675));
  const V uLo = Ops::MulLo(u, Ops::Set(-25675));
  const V vHi = Ops::Sub(Ops::MulHi(v, Ops::Set(12257)), v);
  const V vLo = Ops::MulLo(v, Ops::Set(12257));
  const V carry = Ops::Greater(Ops::Xor(uLo, bias), Ops::Xor(vLo, Ops::Set(0x7FFF)));  // -1 on carry
  t.greenHi = Ops::Sub(Ops::Add(uHi, vHi), carry);
  t.greenLo = Ops::Xor(Ops::Add(uLo, vLo), bias);
  return t;
}

template <class Ops>
[[gnu::always_inline]] inline void StoreYuvPixels(typename Ops::V luma, const ChromaTerms<Ops>& c, std::uint8_t* dst) {
  using V = typename Ops::V;
  // 76309 = 65536 + 10773
  const V y = Ops::Sub(luma, Ops::Set(16));
  const V yHi = Ops::Add(y, Ops::MulHi(y, Ops::Set(10773)));
  const V yLo = Ops::Xor(Ops::MulLo(y, Ops::Set(10773)), Ops::Set(0x7FFF));
  // Sums stay within -277 to 534; the final pack saturates them like the clip table.
  const V b = Ops::Sub(Ops::Add(yHi, c.blueHi), Ops::Greater(c.blueLo, yLo));
  const V g = Ops::Sub(Ops::Add(yHi, c.greenHi), Ops::Greater(c.greenLo, yLo));
  const V r = Ops::Sub(Ops::Add(yHi, c.redHi), Ops::Greater(c.redLo, yLo));
  Ops::StoreBgra(dst, b, g, r);
}

// Terms of one chroma sample per lane, spread to the lanes of its two pixels:
// the first or the second half of the samples.
template <class Ops>
[[gnu::always_inline]] inline ChromaTerms<Ops> Spread(const ChromaTerms<Ops>& c, bool second) {
  auto spread = [second](typename Ops::V t) { return second ? Ops::SpreadHigh(t) : Ops::SpreadLow(t); };
  return {spread(c.blueHi), spread(c.blueLo), spread(c.greenHi), spread(c.greenLo), spread(c.redHi), spread(c.redLo)};
}

// Chroma terms are computed once per sample and serve 2 x 2 pixels.
template <class Ops>
void Planar420(const std::uint8_t* y, std::ptrdiff_t yStride, const std::uint8_t* u, std::ptrdiff_t uStride,
               const std::uint8_t* v, std::ptrdiff_t vStride, std::uint8_t* dst, std::ptrdiff_t dstStride, int width,
               int height) {
  constexpr int n = Ops::kPixels;
  for (int row = 0; row < height; row += 2) {
    // An odd last row pairs with itself: it is written twice with the same values.
    const std::ptrdiff_t next = row + 1 < height ? 1 : 0;
    const std::uint8_t* y0 = y + row * yStride;
    const std::uint8_t* y1 = y0 + next * yStride;
    std::uint8_t* d0 = dst + row * dstStride;
    std::uint8_t* d1 = d0 + next * dstStride;
    const std::uint8_t* cu = u + (row / 2) * uStride;
    const std::uint8_t* cv = v + (row / 2) * vStride;
    int x = 0;
    for (; x + 2 * n <= width; x += 2 * n) {
      const ChromaTerms<Ops> c = MakeChromaTerms<Ops>(Ops::LoadChroma(cu + x / 2), Ops::LoadChroma(cv + x / 2));
      const ChromaTerms<Ops> left = Spread(c, false), right = Spread(c, true);
      StoreYuvPixels<Ops>(Ops::LoadLuma(y0 + x), left, d0 + 4 * x);
      StoreYuvPixels<Ops>(Ops::LoadLuma(y0 + x + n), right, d0 + 4 * (x + n));
      StoreYuvPixels<Ops>(Ops::LoadLuma(y1 + x), left, d1 + 4 * x);
      StoreYuvPixels<Ops>(Ops::LoadLuma(y1 + x + n), right, d1 + 4 * (x + n));
    }
    for (; x < width; ++x) {
      YuvPixelToBgra(y0[x], cu[x / 2], cv[x / 2], d0 + 4 * x);
      YuvPixelToBgra(y1[x], cu[x / 2], cv[x / 2], d1 + 4 * x);
    }
  }
}

template <class Ops>
void Packed422(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst, std::ptrdiff_t dstStride,
               int width, int height) {
  constexpr int n = Ops::kPixels;
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* s = src + row * srcStride;
    std::uint8_t* d = dst + row * dstStride;
    int x = 0;
    for (; x + 2 * n <= width; x += 2 * n) {
      typename Ops::V first, second, u, v;
      Ops::LoadPacked422(s + 2 * x, first, second, u, v);
      const ChromaTerms<Ops> c = MakeChromaTerms<Ops>(u, v);
      StoreYuvPixels<Ops>(first, Spread(c, false), d + 4 * x);
      StoreYuvPixels<Ops>(second, Spread(c, true), d + 4 * (x + n));
    }
    for (; x < width; ++x) {
      const std::uint8_t* pair = s + 2 * (x & ~1);
      YuvPixelToBgra(s[2 * x], pair[1], pair[3], d + 4 * x);
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
