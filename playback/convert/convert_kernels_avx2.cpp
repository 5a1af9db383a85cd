// The kernels for AVX2 processors: sixteen pixels per step. Built with -mavx2;
// reached only through Avx2Kernels, which checks the processor first.
//
// YUV is summed exactly in 32-bit lanes, one lane per horizontal pixel pair: the
// pair's chroma terms, every constant of the arithmetic folded in, plus luma
// times kLuma of its even or of its odd pixel. The high 16 bits of such a sum are
// the channel before any shift beyond 16. Lane 0 holds pairs 0, 1, 4, 5 (pixels
// 0-3 and 8-11) and lane 1 pairs 2, 3, 6, 7: broadcast loads and in-lane shuffles
// put them there, since shuffles across the 128-bit lanes cost several times
// more, and StoreBgra's in-lane unpacks put the pixels back in order.
#include <immintrin.h>

#include "playback/convert/convert_kernels.h"
#include "playback/convert/convert_kernels_impl.h"

namespace quela {
namespace {

__m256i Broadcast16(const std::uint8_t* p) {
  return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// Thirty-two bytes with their quadwords 0 and 2 in lane 0 and 1 and 3 in lane 1:
// two broadcasts and an in-lane shuffle instead of a lane-crossing permute.
__m256i LoadQuadsInLaneOrder(const std::uint8_t* p) {
  return _mm256_castpd_si256(
      _mm256_shuffle_pd(_mm256_castsi256_pd(Broadcast16(p)), _mm256_castsi256_pd(Broadcast16(p + 16)), 0b1100));
}

// The operations Rgb16 needs. Lanes hold pixels 0-3 and 8-11, then 4-7 and 12-15.
struct Avx2Ops {
  using V = __m256i;
  static constexpr int kPixels = 16;

  static V Set(int value) { return _mm256_set1_epi16(static_cast<short>(value)); }
  static V And(V a, V b) { return _mm256_and_si256(a, b); }
  static V ShiftLeft(V a, int bits) { return _mm256_slli_epi16(a, bits); }
  static V ShiftRight(V a, int bits) { return _mm256_srli_epi16(a, bits); }
  // Sixteen 16-bit words, four pixels per quadword, in lane order.
  static V LoadWords(const std::uint8_t* p) { return LoadQuadsInLaneOrder(p); }
  static void StoreBgra(std::uint8_t* d, V b, V g, V r) {
    const V br = _mm256_packus_epi16(b, r);
    const V ga = _mm256_packus_epi16(g, _mm256_set1_epi16(255));
    const V bg = _mm256_unpacklo_epi8(br, ga);
    const V ra = _mm256_unpackhi_epi8(br, ga);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_unpacklo_epi16(bg, ra));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 32), _mm256_unpackhi_epi16(bg, ra));
  }
};

__m256i Set32(std::int32_t value) { return _mm256_set1_epi32(value); }

// A shuffle of the bytes of each 128-bit lane to 32-bit lanes, zero-extended:
// bytes a-d of lane 0 and e-h of lane 1.
__m256i BytesToLanes(char a, char b, char c, char d, char e, char f, char g, char h) {
  return _mm256_setr_epi8(a, -1, -1, -1, b, -1, -1, -1, c, -1, -1, -1, d, -1, -1, -1,  //
                          e, -1, -1, -1, f, -1, -1, -1, g, -1, -1, -1, h, -1, -1, -1);
}
// Of sixteen bytes in both lanes, one per pixel: the even pixels' and the odd pixels'.
__m256i EvenPixelBytes() { return BytesToLanes(0, 2, 8, 10, 4, 6, 12, 14); }
__m256i OddPixelBytes() { return BytesToLanes(1, 3, 9, 11, 5, 7, 13, 15); }

// The chroma part of each channel's sum, from U and V (0-255) one per pair,
// with every constant but the luma's product folded in: the 128 off U and V,
// the rounding and, where luma is not clamped, its 16.
struct ChromaSums {
  __m256i blue, green, red;
};

template <class A>
constexpr std::int32_t kBase = A::kRound - (A::kClampLuma ? 0 : 16 * A::kLuma);

template <class A>
[[gnu::always_inline]] inline __m256i BlueSum(__m256i u) {
  return _mm256_add_epi32(_mm256_mullo_epi32(u, Set32(A::kBlueU)), Set32(kBase<A> - 128 * A::kBlueU));
}

template <class A>
[[gnu::always_inline]] inline __m256i GreenSum(__m256i u, __m256i v) {
  return _mm256_add_epi32(
      _mm256_add_epi32(_mm256_mullo_epi32(u, Set32(A::kGreenU)), _mm256_mullo_epi32(v, Set32(A::kGreenV))),
      Set32(kBase<A> - 128 * (A::kGreenU + A::kGreenV)));
}

// The same from U and V as the low and the high word of each lane, in one
// multiply-add: the lane's own value U + 65536 V, taken off, brings V's factor
// into 16-bit range.
template <class A>
[[gnu::always_inline]] inline __m256i GreenSumOfWordPairs(__m256i uv) {
  constexpr std::int32_t uFactor = A::kGreenU + 1, vFactor = A::kGreenV + 65536;
  static_assert(uFactor >= -32768 && uFactor <= 32767 && vFactor >= -32768 && vFactor <= 32767);
  const __m256i products = _mm256_madd_epi16(uv, Set32(vFactor * 65536 + (uFactor & 0xFFFF)));
  return _mm256_add_epi32(_mm256_sub_epi32(products, uv), Set32(kBase<A> - 128 * (A::kGreenU + A::kGreenV)));
}

template <class A>
[[gnu::always_inline]] inline __m256i RedSum(__m256i v) {
  return _mm256_add_epi32(_mm256_mullo_epi32(v, Set32(A::kRedV)), Set32(kBase<A> - 128 * A::kRedV));
}

// One channel of sixteen pixels as 16-bit words, to be saturated by the pack.
template <class A>
[[gnu::always_inline]] inline __m256i Channel(__m256i evenLuma, __m256i oddLuma, __m256i chroma) {
  // Multiplying the words by (0, 1) moves each even sum's high word down to meet the odd one's.
  const __m256i even = _mm256_madd_epi16(_mm256_add_epi32(evenLuma, chroma), Set32(1 << 16));
  const __m256i words = _mm256_blend_epi16(even, _mm256_add_epi32(oddLuma, chroma), 0xAA);
  if constexpr (A::kShift == 16) return words;
  // The rest of the shift as a multiply: the shift ports are busy with the shuffles.
  return _mm256_mulhi_epi16(words, _mm256_set1_epi16(static_cast<short>(1 << (32 - A::kShift))));
}

// Sixteen pixels from Y of each pair's even and odd pixel (clamped where A clamps).
template <class A>
[[gnu::always_inline]] inline void StorePairs(__m256i evenY, __m256i oddY, const ChromaSums& c, std::uint8_t* dst) {
  const __m256i even = _mm256_mullo_epi32(evenY, Set32(A::kLuma));
  const __m256i odd = _mm256_mullo_epi32(oddY, Set32(A::kLuma));
  Avx2Ops::StoreBgra(dst, Channel<A>(even, odd, c.blue), Channel<A>(even, odd, c.green), Channel<A>(even, odd, c.red));
}

// Sixteen pixels of two rows; the chroma sums serve both.
template <class A, bool kInterleaved>
[[gnu::always_inline]] inline void Yuv420Block(const std::uint8_t* y0, const std::uint8_t* y1, const std::uint8_t* u,
                                               const std::uint8_t* v, std::uint8_t* d0, std::uint8_t* d1) {
  __m256i us, vs;
  if constexpr (kInterleaved) {
    const __m256i pairs = Broadcast16(u);  // eight U V pairs
    us = _mm256_shuffle_epi8(pairs, EvenPixelBytes());
    vs = _mm256_shuffle_epi8(pairs, OddPixelBytes());
  } else {
    const __m256i order = BytesToLanes(0, 1, 4, 5, 2, 3, 6, 7);
    us = _mm256_shuffle_epi8(_mm256_broadcastq_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(u))), order);
    vs = _mm256_shuffle_epi8(_mm256_broadcastq_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(v))), order);
  }
  const ChromaSums c{BlueSum<A>(us), GreenSum<A>(us, vs), RedSum<A>(vs)};
  const auto row = [&c](const std::uint8_t* y, std::uint8_t* d) {
    __m256i luma = Broadcast16(y);
    if constexpr (A::kClampLuma) luma = _mm256_subs_epu8(luma, _mm256_set1_epi8(16));
    StorePairs<A>(_mm256_shuffle_epi8(luma, EvenPixelBytes()), _mm256_shuffle_epi8(luma, OddPixelBytes()), c, d);
  };
  row(y0, d0);
  row(y1, d1);
}

template <class A>
void Planar420(const std::uint8_t* y, std::ptrdiff_t yStride, const std::uint8_t* u, std::ptrdiff_t uStride,
               const std::uint8_t* v, std::ptrdiff_t vStride, std::uint8_t* dst, std::ptrdiff_t dstStride, int width,
               int height) {
  Yuv420Rows<A, 16, false>(y, yStride, u, uStride, v, vStride, dst, dstStride, width, height, Yuv420Block<A, false>);
}

void SemiPlanar420(const std::uint8_t* y, std::ptrdiff_t yStride, const std::uint8_t* uv, std::ptrdiff_t uvStride,
                   std::uint8_t* dst, std::ptrdiff_t dstStride, int width, int height) {
  Yuv420Rows<OpenCvArithmetic, 16, true>(y, yStride, uv, uvStride, uv + 1, uvStride, dst, dstStride, width, height,
                                         Yuv420Block<OpenCvArithmetic, true>);
}

// Sixteen YUY2 pixels and their pairs' chroma sums.
struct Packed422Step {
  __m256i pairs;
  ChromaSums chroma;
};

void Packed422(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst, std::ptrdiff_t dstStride,
               int width, int height) {
  using A = TableArithmetic;
  const auto load = [](const std::uint8_t* s) {
    // Pixels 0-3 and 8-11 (Y0 U Y1 V per pair) to lane 0, 4-7 and 12-15 to lane 1.
    const __m256i pairs = LoadQuadsInLaneOrder(s);
    const __m256i uv = _mm256_srli_epi16(pairs, 8);
    return Packed422Step{pairs,
                         {BlueSum<A>(_mm256_and_si256(uv, Set32(0xFFFF))), GreenSumOfWordPairs<A>(uv),
                          RedSum<A>(_mm256_srli_epi32(pairs, 24))}};
  };
  const auto store = [](const Packed422Step& step, std::uint8_t* d) {
    StorePairs<A>(_mm256_shuffle_epi8(step.pairs, BytesToLanes(0, 4, 8, 12, 0, 4, 8, 12)),
                  _mm256_shuffle_epi8(step.pairs, BytesToLanes(2, 6, 10, 14, 2, 6, 10, 14)), step.chroma, d);
  };
  Packed422Rows<16>(src, srcStride, dst, dstStride, width, height, load, store);
}

// Eight pixels per step from two overlapping 16-byte loads (pixels 0-3 and 4-7).
void Rgb24(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst, std::ptrdiff_t dstStride, int width,
           int height) {
  const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                          0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* s = src + row * srcStride;
    std::uint8_t* d = dst + row * dstStride;
    int x = 0;
    // The second load reads 28 bytes from the step's start: stay 10 pixels clear of the row's end.
    for (; x + 10 <= width; x += 8) {
      const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 3 * x));
      const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 3 * x + 12));
      const __m256i both = _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 4 * x),
                          _mm256_or_si256(_mm256_shuffle_epi8(both, spread), alpha));
    }
    for (; x < width; ++x) Rgb24Pixel(s + 3 * x, d + 4 * x);
  }
}

}  // namespace

const ConvertKernels& Avx2KernelTable() {
  static constexpr ConvertKernels kernels = {
      &Planar420<TableArithmetic>, &Planar420<OpenCvArithmetic>, &SemiPlanar420, &Packed422,
      &Rgb16<Avx2Ops, 5>,          &Rgb16<Avx2Ops, 6>,           &Rgb24};
  return kernels;
}

}  // namespace quela
