#pragma once
// The kernels' bodies, written once over a vector-operations type Ops. Included
// only by convert_kernels_sse2.cpp and convert_kernels_avx2.cpp, each built for
// its own instruction set: everything here has internal linkage, so an AVX2
// copy can never stand in for the SSE2 one at link time. Use no library
// templates here for the same reason.
#include <cstddef>
#include <cstdint>

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

// The arithmetic in 16-bit lanes, exact for every input. A product a * K is
// split as hi * 65536 + lo with lo in [0, 65535]; K itself as k * 65536 + c with
// c a signed 16-bit constant, so hi = k a + mulhi(a, c) and lo = mullo(a, c).
// Then (A + B) >> 16 == hiA + hiB + carry, where carry is 1 when loA + loB >=
// 65536, that is when (loB ^ 0x8000) > (loA ^ 0x7FFF) as signed 16-bit values.
// Shifts beyond 16 bits shift that sum on; the final pack saturates it.
template <class Ops>
struct ChromaTerms {
  typename Ops::V blueHi, blueLo;  // the lo parts carry the ^ 0x8000 bias
  typename Ops::V greenHi, greenLo;
  typename Ops::V redHi, redLo;
};

struct SplitConstant {
  int hi, lo;
};
constexpr SplitConstant Split(std::int32_t k) {
  const int hi = (k + 32768) >> 16;
  return {hi, k - hi * 65536};
}

// x + k a, without a multiply where an add does.
template <class Ops, int k>
[[gnu::always_inline]] inline typename Ops::V AddScaled(typename Ops::V x, typename Ops::V a) {
  if constexpr (k == 0) {
    return x;
  } else if constexpr (k == 1) {
    return Ops::Add(x, a);
  } else if constexpr (k == -1) {
    return Ops::Sub(x, a);
  } else if constexpr (k == 2) {
    return Ops::Add(x, Ops::Add(a, a));
  } else {
    int factor = k;
    asm("" : "+r"(factor));  // one multiply: the compiler would spell it as three or four shifts and adds
    return Ops::Add(x, Ops::MulLo(a, Ops::Set(factor)));
  }
}

// a * K as (hi, lo); hi also carries offset, a multiple of 65536.
template <class Ops, std::int32_t K, std::int32_t offset = 0>
[[gnu::always_inline]] inline void Product(typename Ops::V a, typename Ops::V& hi, typename Ops::V& lo) {
  static_assert(offset % 65536 == 0);
  constexpr SplitConstant s = Split(K);
  typename Ops::V h = AddScaled<Ops, s.hi>(Ops::MulHi(a, Ops::Set(s.lo)), a);
  if constexpr (offset != 0) h = Ops::Add(h, Ops::Set(offset >> 16));
  hi = h;
  lo = Ops::MulLo(a, Ops::Set(s.lo));
}

// Inlined by force: called out of line, the terms would round-trip through memory.
template <class Ops, class A>
[[gnu::always_inline]] inline ChromaTerms<Ops> MakeChromaTerms(typename Ops::V u, typename Ops::V v) {
  using V = typename Ops::V;
  const V bias = Ops::Set(0x8000);
  u = Ops::Sub(u, Ops::Set(128));
  v = Ops::Sub(v, Ops::Set(128));
  ChromaTerms<Ops> t;
  Product<Ops, A::kBlueU, A::kRound>(u, t.blueHi, t.blueLo);
  t.blueLo = Ops::Xor(t.blueLo, bias);
  Product<Ops, A::kRedV, A::kRound>(v, t.redHi, t.redLo);
  t.redLo = Ops::Xor(t.redLo, bias);
  V uHi, uLo, vHi, vLo;
  Product<Ops, A::kGreenU, A::kRound>(u, uHi, uLo);
  Product<Ops, A::kGreenV>(v, vHi, vLo);
  const V carry = Ops::Greater(Ops::Xor(uLo, bias), Ops::Xor(vLo, Ops::Set(0x7FFF)));  // -1 on carry
  t.greenHi = Ops::Sub(Ops::Add(uHi, vHi), carry);
  t.greenLo = Ops::Xor(Ops::Add(uLo, vLo), bias);
  return t;
}

template <class Ops, class A>
[[gnu::always_inline]] inline void StoreYuvPixels(typename Ops::V luma, const ChromaTerms<Ops>& c, std::uint8_t* dst) {
  using V = typename Ops::V;
  const V sixteen = Ops::Set(16);
  V yHi, yLo;
  Product<Ops, A::kLuma>(A::kClampLuma ? Ops::SubSaturate(luma, sixteen) : Ops::Sub(luma, sixteen), yHi, yLo);
  yLo = Ops::Xor(yLo, Ops::Set(0x7FFF));
  auto channel = [&](V hi, V lo) {
    const V sum = Ops::Sub(Ops::Add(yHi, hi), Ops::Greater(lo, yLo));
    if constexpr (A::kShift > 16) return Ops::ShiftRightSigned(sum, A::kShift - 16);
    return sum;
  };
  Ops::StoreBgra(dst, channel(c.blueHi, c.blueLo), channel(c.greenHi, c.greenLo), channel(c.redHi, c.redLo));
}

// Terms of one chroma sample per lane, spread to the lanes of its two pixels:
// the first or the second half of the samples.
template <class Ops>
[[gnu::always_inline]] inline ChromaTerms<Ops> Spread(const ChromaTerms<Ops>& c, bool second) {
  auto spread = [second](typename Ops::V t) { return second ? Ops::SpreadHigh(t) : Ops::SpreadLow(t); };
  return {spread(c.blueHi), spread(c.blueLo), spread(c.greenHi), spread(c.greenLo), spread(c.redHi), spread(c.redLo)};
}

// 4:2:0 with U and V in planes of their own, or interleaved (U V pairs at u,
// v == u + 1). Chroma terms are computed once per sample and serve 2 x 2 pixels.
template <class Ops, class A, bool kInterleaved>
void Yuv420(const std::uint8_t* y, std::ptrdiff_t yStride, const std::uint8_t* u, std::ptrdiff_t uStride,
            const std::uint8_t* v, std::ptrdiff_t vStride, std::uint8_t* dst, std::ptrdiff_t dstStride, int width,
            int height) {
  constexpr int n = Ops::kPixels;
  constexpr int step = kInterleaved ? 2 : 1;  // bytes from one chroma sample to the next
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
      typename Ops::V us, vs;
      if constexpr (kInterleaved) {
        Ops::LoadChromaPairs(cu + x, us, vs);
      } else {
        us = Ops::LoadChroma(cu + x / 2);
        vs = Ops::LoadChroma(cv + x / 2);
      }
      const ChromaTerms<Ops> c = MakeChromaTerms<Ops, A>(us, vs);
      // One half's terms at a time, for both rows: all twelve would not fit in the registers.
      const ChromaTerms<Ops> left = Spread(c, false);
      StoreYuvPixels<Ops, A>(Ops::LoadLuma(y0 + x), left, d0 + 4 * x);
      StoreYuvPixels<Ops, A>(Ops::LoadLuma(y1 + x), left, d1 + 4 * x);
      const ChromaTerms<Ops> right = Spread(c, true);
      StoreYuvPixels<Ops, A>(Ops::LoadLuma(y0 + x + n), right, d0 + 4 * (x + n));
      StoreYuvPixels<Ops, A>(Ops::LoadLuma(y1 + x + n), right, d1 + 4 * (x + n));
    }
    for (; x < width; ++x) {
      const int k = step * (x / 2);
      YuvPixelToBgra<A>(y0[x], cu[k], cv[k], d0 + 4 * x);
      YuvPixelToBgra<A>(y1[x], cu[k], cv[k], d1 + 4 * x);
    }
  }
}

template <class Ops, class A>
void Planar420(const std::uint8_t* y, std::ptrdiff_t yStride, const std::uint8_t* u, std::ptrdiff_t uStride,
               const std::uint8_t* v, std::ptrdiff_t vStride, std::uint8_t* dst, std::ptrdiff_t dstStride, int width,
               int height) {
  Yuv420<Ops, A, false>(y, yStride, u, uStride, v, vStride, dst, dstStride, width, height);
}

template <class Ops, class A>
void SemiPlanar420(const std::uint8_t* y, std::ptrdiff_t yStride, const std::uint8_t* uv, std::ptrdiff_t uvStride,
                   std::uint8_t* dst, std::ptrdiff_t dstStride, int width, int height) {
  Yuv420<Ops, A, true>(y, yStride, uv, uvStride, uv + 1, uvStride, dst, dstStride, width, height);
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
      const ChromaTerms<Ops> c = MakeChromaTerms<Ops, TableArithmetic>(u, v);
      StoreYuvPixels<Ops, TableArithmetic>(first, Spread(c, false), d + 4 * x);
      StoreYuvPixels<Ops, TableArithmetic>(second, Spread(c, true), d + 4 * (x + n));
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

// The set for one instruction set; RGB24 has a kernel of its own in each.
template <class Ops>
constexpr ConvertKernels KernelSet(decltype(ConvertKernels::rgb24) rgb24) {
  return {&Planar420<Ops, TableArithmetic>, &Planar420<Ops, OpenCvArithmetic>, &SemiPlanar420<Ops, OpenCvArithmetic>,
          &Packed422<Ops>, &Rgb16<Ops, 5>, &Rgb16<Ops, 6>, rgb24};
}

}  // namespace
}  // namespace quela
