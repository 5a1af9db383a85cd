#pragma once
// NV12 and YV12 frames converted by OpenCV, straight into the caller's BGRA
// rows. OpenCV converts even sizes only: an odd last column and an odd last
// row are passed through it again as small frames of their own samples, so
// every pixel has OpenCV's arithmetic. Scratch memory is sized by Setup;
// Convert allocates nothing. One thread at a time.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "playback/convert/frame_description.h"
#include "playback/convert/video_mean_colour.h"

namespace quela {

class OpenCvYuv420 {
 public:
  // format is kNV12 or kYV12; width and height are positive. Throws std::bad_alloc.
  void Setup(PixelFormat format, int width, int height);
  // Fills width x height pixels of dst (rows width x 4 bytes apart); planes as in FramePlanes,
  // already checked. False, with dst partly written, when OpenCV refuses.
  bool Convert(const FramePlanes& frame, std::uint8_t* dst);

 private:
  struct Chroma {  // where the U and V samples of chroma row r, column k sit
    const std::uint8_t* u;
    const std::uint8_t* v;
    std::ptrdiff_t uStride;
    std::ptrdiff_t vStride;
    int step;  // bytes from one sample to the next
  };
  bool ConvertEven(const FramePlanes& frame, const Chroma& chroma, std::uint8_t* dst);
  void ConvertLastColumn(const FramePlanes& frame, const Chroma& chroma, std::uint8_t* dst);
  void ConvertLastRow(const FramePlanes& frame, const Chroma& chroma, std::uint8_t* dst);

  PixelFormat format_ = PixelFormat::kNV12;
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint8_t> interleaved_;  // YV12 chroma as U, V pairs when the planes are not OpenCV's layout
  std::vector<std::uint8_t> edgeLuma_;     // two rows or columns of an odd edge
  std::vector<std::uint8_t> edgeChroma_;   // their U, V pairs
  std::vector<std::uint8_t> edgeBgra_;     // their conversion
};

// The mean of each channel of width x height BGRA pixels (rows width x 4 bytes).
MeanColour BgraMean(const std::uint8_t* bgra, int width, int height);

}  // namespace quela
