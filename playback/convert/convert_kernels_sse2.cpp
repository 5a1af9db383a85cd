// The kernels for every x86-64 processor: eight pixels per step. YUV works in
// 16-bit lanes, with the 32-bit products split in halves and their carry kept.
#include <emmintrin.h>

#include "playback/convert/convert_kernels.h"
#include "playback/convert/convert_kernels_impl.h"

namespace quela {
namespace {

struct Sse2Ops {
  using V = __m128i;
  static constexpr int kPixels = 8;

  static V Set(int value) { return _mm_set1_epi16(static_cast<short>(value)); }
  static V Add(V a, V b) { return _mm_add_epi16(a, b); }
  static V Sub(V a, V b) { return _mm_sub_epi16(a, b); }
  static V MulHi(V a, V b) { return _mm_mulhi_epi16(a, b); }
  static V MulLo(V a, V b) { return _mm_mullo_epi16(a, b); }
  static V Xor(V a, V b) { return _mm_xor_si128(a, b); }
  static V And(V a, V b) { return _mm_and_si128(a, b); }
  static V Greater(V a, V b) { return _mm_cmpgt_epi16(a, b); }
  static V ShiftLeft(V a, int bits) { return _mm_slli_epi16(a, bits); }
  static V ShiftRight(V a, int bits) { return _mm_srli_epi16(a, bits); }
  static V ShiftRightSigned(V a, int bits) { return _mm_srai_epi16(a, bits); }
  static V SubSaturate(V a, V b) { return _mm_subs_epu16(a, b); }

  static V LoadLuma(const std::uint8_t* p) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
  }
  // Eight chroma samples, for pixels 0-15.
  static V LoadChroma(const std::uint8_t* p) { return LoadLuma(p); }
  // Eight U, V pairs, for pixels 0-15.
  static void LoadChromaPairs(const std::uint8_t* p, V& u, V& v) {
    const V pairs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    u = _mm_and_si128(pairs, _mm_set1_epi16(0xFF));
    v = _mm_srli_epi16(pairs, 8);
  }
  // Sixteen pixels: luma of pixels 0-7 and 8-15, and the eight pairs' U and V once each.
  static void LoadPacked422(const std::uint8_t* p, V& first, V& second, V& u, V& v) {
    const V a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const V b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const V lowByte = _mm_set1_epi16(0xFF);
    first = _mm_and_si128(a, lowByte);
    second = _mm_and_si128(b, lowByte);
    const V byte1 = _mm_set1_epi32(0xFF);
    u = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(a, 8), byte1), _mm_and_si128(_mm_srli_epi32(b, 8), byte1));
    v = _mm_packs_epi32(_mm_srli_epi32(a, 24), _mm_srli_epi32(b, 24));
  }
  // Pair terms to pixel lanes: pairs 0-3 to pixels 0-7, pairs 4-7 to pixels 8-15.
  static V SpreadLow(V t) { return _mm_unpacklo_epi16(t, t); }
  static V SpreadHigh(V t) { return _mm_unpackhi_epi16(t, t); }
  static V LoadWords(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
  static void StoreBgra(std::uint8_t* d, V b, V g, V r) {
    const V br = _mm_packus_epi16(b, r);
    const V ga = _mm_packus_epi16(g, _mm_set1_epi16(255));
    const V bg = _mm_unpacklo_epi8(br, ga);
    const V ra = _mm_unpackhi_epi8(br, ga);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_unpacklo_epi16(bg, ra));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16), _mm_unpackhi_epi16(bg, ra));
  }
};

using V = Sse2Ops::V;

// The arithmetic in 16-bit lanes, exact for every input. A product a * K is
// split as hi * 65536 + lo with lo in [0, 65535]; K itself as k * 65536 + c with
// c a signed 16-bit constant, so hi = k a + mulhi(a, c) and lo = mullo(a, c).
// Then (A + B) >> 16 == hiA + hiB + carry, where carry is 1 when loA + loB >=
// 65536, that is when (loB ^ 0x8000) > (loA ^ 0x7FFF) as signed 16-bit values.
// Shifts beyond 16 bits shift that sum on; the final pack saturates it.
struct ChromaTerms {
  V blueHi, blueLo;  // the lo parts carry the ^ 0x8000 bias
  V greenHi, greenLo;
  V redHi, redLo;
};

struct SplitConstant {
  int hi, lo;
};
constexpr SplitConstant Split(std::int32_t k) {
  const int hi = (k + 32768) >> 16;
  return {hi, k - hi * 65536};
}

// x + k a, without a multiply where an add does.
template <int k>
[[gnu::always_inline]] inline V AddScaled(V x, V a) {
  if constexpr (k == 0) {
    return x;
  } else if constexpr (k == 1) {
    return Sse2Ops::Add(x, a);
  } else if constexpr (k == -1) {
    return Sse2Ops::Sub(x, a);
  } else if constexpr (k == 2) {
    return Sse2Ops::Add(x, Sse2Ops::Add(a, a));
  } else {
    int factor = k;
    asm("" : "+r"(factor));  // one multiply: the compiler would spell it as three or four shifts and adds
    return Sse2Ops::Add(x, Sse2Ops::MulLo(a, Sse2Ops::Set(factor)));
  }
}

// a * K as (hi, lo); hi also carries offset, a multiple of 65536.
template <std::int32_t K, std::int32_t offset = 0>
[[gnu::always_inline]] inline void Product(V a, V& hi, V& lo) {
  static_assert(offset % 65536 == 0);
  constexpr SplitConstant s = Split(K);
  V h = AddScaled<s.hi>(Sse2Ops::MulHi(a, Sse2Ops::Set(s.lo)), a);
  if constexpr (offset != 0) h = Sse2Ops::Add(h, Sse2Ops::Set(offset >> 16));
  hi = h;
  lo = Sse2Ops::MulLo(a, Sse2Ops::Set(s.lo));
}

// Inlined by force: called out of line, the terms would round-trip through memory.
template <class A>
[[gnu::always_inline]] inline ChromaTerms MakeChromaTerms(V u, V v) {
  const V bias = Sse2Ops::Set(0x8000);
  u = Sse2Ops::Sub(u, Sse2Ops::Set(128));
  v = Sse2Ops::Sub(v, Sse2Ops::Set(128));
  ChromaTerms t;
  Product<A::kBlueU, A::kRound>(u, t.blueHi, t.blueLo);
  t.blueLo = Sse2Ops::Xor(t.blueLo, bias);
  Product<A::kRedV, A::kRound>(v, t.redHi, t.redLo);
  t.redLo = Sse2Ops::Xor(t.redLo, bias);
  V uHi, uLo, vHi, vLo;
  Product<A::kGreenU, A::kRound>(u, uHi, uLo);
  Product<A::kGreenV>(v, vHi, vLo);
  const V carry = Sse2Ops::Greater(Sse2Ops::Xor(uLo, bias), Sse2Ops::Xor(vLo, Sse2Ops::Set(0x7FFF)));  // -1 on carry
  t.greenHi = Sse2Ops::Sub(Sse2Ops::Add(uHi, vHi), carry);
  t.greenLo = Sse2Ops::Xor(Sse2Ops::Add(uLo, vLo), bias);
  return t;
}

template <class A>
[[gnu::always_inline]] inline void StoreYuvPixels(V luma, const ChromaTerms& c, std::uint8_t* dst) {
  const V sixteen = Sse2Ops::Set(16);
  V yHi, yLo;
  Product<A::kLuma>(A::kClampLuma ? Sse2Ops::SubSaturate(luma, sixteen) : Sse2Ops::Sub(luma, sixteen), yHi, yLo);
  yLo = Sse2Ops::Xor(yLo, Sse2Ops::Set(0x7FFF));
  auto channel = [&](V hi, V lo) {
    const V sum = Sse2Ops::Sub(Sse2Ops::Add(yHi, hi), Sse2Ops::Greater(lo, yLo));
    if constexpr (A::kShift > 16) return Sse2Ops::ShiftRightSigned(sum, A::kShift - 16);
    return sum;
  };
  Sse2Ops::StoreBgra(dst, channel(c.blueHi, c.blueLo), channel(c.greenHi, c.greenLo), channel(c.redHi, c.redLo));
}

// Terms of one chroma sample per lane, spread to the lanes of its two pixels:
// the first or the second half of the samples.
[[gnu::always_inline]] inline ChromaTerms Spread(const ChromaTerms& c, bool second) {
  auto spread = [second](V t) { return second ? Sse2Ops::SpreadHigh(t) : Sse2Ops::SpreadLow(t); };
  return {spread(c.blueHi), spread(c.blueLo), spread(c.greenHi), spread(c.greenLo), spread(c.redHi), spread(c.redLo)};
}

// Sixteen pixels of two rows: chroma terms once per sample, for 2 x 2 pixels.
template <class A, bool kInterleaved>
[[gnu::always_inline]] inline void Yuv420Block(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* u,
                                               const std::uint8_t* v, std::uint8_t* d0, std::uint8_t* d1) {
  constexpr int n = Sse2Ops::kPixels;
  V us, vs;
  if constexpr (kInterleaved) {
    Sse2Ops::LoadChromaPairs(u, us, vs);
  } else {
    us = Sse2Ops::LoadChroma(u);
    vs = Sse2Ops::LoadChroma(v);
  }
  const ChromaTerms c = MakeChromaTerms<A>(us, vs);
  // One half's terms at a time, for both rows: all twelve would not fit in the registers.
  const ChromaTerms left = Spread(c, false);
  StoreYuvPixels<A>(Sse2Ops::LoadLuma(y0), left, d0);
  StoreYuvPixels<A>(Sse2Ops::LoadLuma(y1), left, d1);
  const ChromaTerms right = Spread(c, true);
  StoreYuvPixels<A>(Sse2Ops::LoadLuma(y0 + n), right, d0 + 4 * n);
  StoreYuvPixels<A>(Sse2Ops::LoadLuma(y1 + n), right, d1 + 4 * n);
}

template <class A>
void Planar420(const std::uint8_t* y, std::ptrdiff_t yStride, const std::uint8_t* u, std::ptrdiff_t uStride,
               const std::uint8_t* v, std::ptrdiff_t vStride, std::uint8_t* dst, std::ptrdiff_t dstStride, int width,
               int height) {
  Yuv420Rows<A, 2 * Sse2Ops::kPixels, false>(y, yStride, u, uStride, v, vStride, dst, dstStride, width, height,
                                             Yuv420Block<A, false>);
}

void SemiPlanar420(const std::uint8_t* y, std::ptrdiff_t yStride, const std::uint8_t* uv, std::ptrdiff_t uvStride,
                   std::uint8_t* dst, std::ptrdiff_t dstStride, int width, int height) {
  Yuv420Rows<OpenCvArithmetic, 2 * Sse2Ops::kPixels, true>(y, yStride, uv, uvStride, uv + 1, uvStride, dst, dstStride,
                                                           width, height, Yuv420Block<OpenCvArithmetic, true>);
}

// Sixteen YUY2 pixels' luma words and their pairs' chroma terms.
struct Packed422Step {
  V first, second;
  ChromaTerms chroma;
};

void Packed422(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst, std::ptrdiff_t dstStride,
               int width, int height) {
  constexpr int n = Sse2Ops::kPixels;
  const auto load = [](const std::uint8_t* s) {
    Packed422Step step;
    V u, v;
    Sse2Ops::LoadPacked422(s, step.first, step.second, u, v);
    step.chroma = MakeChromaTerms<TableArithmetic>(u, v);
    return step;
  };
  const auto store = [](const Packed422Step& step, std::uint8_t* d) {
    StoreYuvPixels<TableArithmetic>(step.first, Spread(step.chroma, false), d);
    StoreYuvPixels<TableArithmetic>(step.second, Spread(step.chroma, true), d + 4 * n);
  };
  Packed422Rows<2 * n>(src, srcStride, dst, dstStride, width, height, load, store);
}

void Rgb24(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst, std::ptrdiff_t dstStride, int width,
           int height) {
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* s = src + row * srcStride;
    std::uint8_t* d = dst + row * dstStride;
    for (int x = 0; x < width; ++x) Rgb24Pixel(s + 3 * x, d + 4 * x);
  }
}

}  // namespace

const ConvertKernels& Sse2Kernels() {
  static constexpr ConvertKernels kernels = {
      &Planar420<TableArithmetic>, &Planar420<OpenCvArithmetic>, &SemiPlanar420, &Packed422,
      &Rgb16<Sse2Ops, 5>,          &Rgb16<Sse2Ops, 6>,           &Rgb24};
  return kernels;
}

}  // namespace quela
