#pragma once
// The converters' inner loops, one set per instruction set. Every kernel
// converts width x height pixels into BGRA rows at dst (dstStride bytes apart),
// reads nothing outside the rows it is given and writes only the pixels of
// the frame. Strides are in bytes. Any thread; no state.
#include <cstddef>
#include <cstdint>

namespace quela {

struct ConvertKernels {
  using Planar420Kernel = void (*)(const std::uint8_t* y, std::ptrdiff_t yStride, const std::uint8_t* u,
                             std::ptrdiff_t uStride, const std::uint8_t* v, std::ptrdiff_t vStride, std::uint8_t* dst,
                             std::ptrdiff_t dstStride, int width, int height);
  // 4:2:0 planes; chroma row r/2 and column x/2 serve luma row r, column x.
  // The table arithmetic, and OpenCV's (yuv_arithmetic.h).
  Planar420Kernel planar420;
  Planar420Kernel planar420OpenCv;
  // 4:2:0 with U, V pairs interleaved in one plane (NV12), OpenCV's arithmetic.
  void (*semiPlanar420OpenCv)(const std::uint8_t* y, std::ptrdiff_t yStride, const std::uint8_t* uv,
                              std::ptrdiff_t uvStride, std::uint8_t* dst, std::ptrdiff_t dstStride, int width,
                              int height);
  // Y0 U Y1 V; an odd width reads its last pair's U and V and leaves its Y1.
  void (*packed422)(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst, std::ptrdiff_t dstStride,
                    int width, int height);
  void (*rgb555)(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst, std::ptrdiff_t dstStride,
                 int width, int height);
  void (*rgb565)(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst, std::ptrdiff_t dstStride,
                 int width, int height);
  void (*rgb24)(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst, std::ptrdiff_t dstStride,
                int width, int height);
};

const ConvertKernels& Sse2Kernels();
const ConvertKernels* Avx2Kernels();  // null when the processor lacks AVX2
const ConvertKernels& BestKernels();   // the widest set this processor runs

// The AVX2 set itself, built for AVX2 processors only: reach it through Avx2Kernels.
const ConvertKernels& Avx2KernelTable();

}  // namespace quela
