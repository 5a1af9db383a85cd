// The kernels for AVX2 processors: sixteen pixels per step. Built with -mavx2;
// reached only through Avx2Kernels, which checks the processor first.
#include <immintrin.h>

#include "playback/convert/convert_kernels.h"
#include "playback/convert/convert_kernels_impl.h"

namespace quela {
namespace {

// Lanes hold pixels 0-3 and 8-11, then 4-7 and 12-15: the in-lane unpacks of
// StoreBgra turn that order back into two runs of eight consecutive pixels.
struct Avx2Ops {
  using V = __m256i;
  static constexpr int kPixels = 16;

  static V Set(int value) { return _mm256_set1_epi16(static_cast<short>(value)); }
  static V Add(V a, V b) { return _mm256_add_epi16(a, b); }
  static V Sub(V a, V b) { return _mm256_sub_epi16(a, b); }
  static V MulHi(V a, V b) { return _mm256_mulhi_epi16(a, b); }
  static V MulLo(V a, V b) { return _mm256_mullo_epi16(a, b); }
  static V Xor(V a, V b) { return _mm256_xor_si256(a, b); }
  static V And(V a, V b) { return _mm256_and_si256(a, b); }
  static V Greater(V a, V b) { return _mm256_cmpgt_epi16(a, b); }
  static V ShiftLeft(V a, int bits) { return _mm256_slli_epi16(a, bits); }
  static V ShiftRight(V a, int bits) { return _mm256_srli_epi16(a, bits); }
  static V ShiftRightSigned(V a, int bits) { return _mm256_srai_epi16(a, bits); }
  static V SubSaturate(V a, V b) { return _mm256_subs_epu16(a, b); }

  static V LoadLuma(const std::uint8_t* p) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return _mm256_cvtepu8_epi16(_mm_shuffle_epi32(x, _MM_SHUFFLE(3, 1, 2, 0)));
  }
  // Sixteen chroma samples, for pixels 0-31, in the order SpreadLow and SpreadHigh need.
  static V LoadChroma(const std::uint8_t* p) {
    const __m128i order = _mm_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15);
    return _mm256_cvtepu8_epi16(_mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), order));
  }
  // Sixteen U, V pairs, for pixels 0-31: the U and the V in LoadChroma's order.
  static void LoadChromaPairs(const std::uint8_t* p, V& u, V& v) {
    // Within each lane, U and V of pairs 0, 1, 4, 5, then 2, 3, 6, 7; the permute
    // puts both lanes' U first, each group of four beside its other lane's.
    const V split = _mm256_setr_epi8(0, 2, 8, 10, 4, 6, 12, 14, 1, 3, 9, 11, 5, 7, 13, 15,  //
                                     0, 2, 8, 10, 4, 6, 12, 14, 1, 3, 9, 11, 5, 7, 13, 15);
    const V pairs = _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), split);
    const V grouped = _mm256_permutevar8x32_epi32(pairs, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
    u = _mm256_cvtepu8_epi16(_mm256_castsi256_si128(grouped));
    v = _mm256_cvtepu8_epi16(_mm256_extracti128_si256(grouped, 1));
  }
  // Thirty-two pixels: luma of pixels 0-15 and 16-31 in lane order, and the
  // sixteen pairs' U and V once each, ordered so that SpreadLow and SpreadHigh
  // put them in the lanes of their pixels.
  static void LoadPacked422(const std::uint8_t* p, V& first, V& second, V& u, V& v) {
    const V a = LoadWords(p);
    const V b = LoadWords(p + 32);
    const V lowByte = _mm256_set1_epi16(0xFF);
    first = _mm256_and_si256(a, lowByte);
    second = _mm256_and_si256(b, lowByte);
    // Each lane gathers its four U, then its four V; the unpacks put a's before b's.
    const V gather = _mm256_setr_epi8(1, -1, 5, -1, 9, -1, 13, -1, 3, -1, 7, -1, 11, -1, 15, -1,  //
                                      1, -1, 5, -1, 9, -1, 13, -1, 3, -1, 7, -1, 11, -1, 15, -1);
    const V ua = _mm256_shuffle_epi8(a, gather), ub = _mm256_shuffle_epi8(b, gather);
    u = _mm256_unpacklo_epi64(ua, ub);
    v = _mm256_unpackhi_epi64(ua, ub);
  }
  static V SpreadLow(V t) { return _mm256_unpacklo_epi16(t, t); }
  static V SpreadHigh(V t) { return _mm256_unpackhi_epi16(t, t); }
  // Sixteen 16-bit words, four pixels per quadword, in lane order.
  static V LoadWords(const std::uint8_t* p) {
    return _mm256_permute4x64_epi64(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), _MM_SHUFFLE(3, 1, 2, 0));
  }
  static void StoreBgra(std::uint8_t* d, V b, V g, V r) {
    const V br = _mm256_packus_epi16(b, r);
    const V ga = _mm256_packus_epi16(g, _mm256_set1_epi16(255));
    const V bg = _mm256_unpacklo_epi8(br, ga);
    const V ra = _mm256_unpackhi_epi8(br, ga);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_unpacklo_epi16(bg, ra));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 32), _mm256_unpackhi_epi16(bg, ra));
  }
};

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
  static constexpr ConvertKernels kernels = KernelSet<Avx2Ops>(&Rgb24);
  return kernels;
}

}  // namespace quela
