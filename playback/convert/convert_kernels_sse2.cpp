// The kernels for every x86-64 processor: eight pixels per step.
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
  static constexpr ConvertKernels kernels = KernelSet<Sse2Ops>(&Rgb24);
  return kernels;
}

}  // namespace quela
