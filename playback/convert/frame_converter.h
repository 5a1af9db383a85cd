#pragma once
// Turns each frame of the agreed format into 32-bit BGRA (bytes B, G, R, A,
// rows of width x 4 bytes, in the source's row order) and, after NV12 and YV12
// frames, samples the frame's mean colour for the scene light. One converter
// per agreed format, owned by the video sink: Setup where the format is
// agreed, Convert on the streaming thread, never both at once.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>

#include "playback/convert/convert_kernels.h"
#include "playback/convert/frame_description.h"
#include "playback/convert/video_mean_colour.h"

namespace quela {

constexpr std::int32_t kMaxFrameSide = 16384;  // pixels; larger formats are refused

using MillisecondClock = std::function<std::uint32_t()>;
std::uint32_t SystemMilliseconds();  // a monotonic clock; wraps after 49 days, as differences allow

class FrameConverter {
 public:
  // The clock paces mean sampling; sampling is shared with every other converter.
  explicit FrameConverter(MillisecondClock clock = SystemMilliseconds, MeanSampling& sampling = processMeanSampling);
  FrameConverter(const FrameConverter&) = delete;
  FrameConverter& operator=(const FrameConverter&) = delete;

  // Makes the zero-filled output for format, dropping any earlier one. False, and
  // nothing to convert, for a side of 0 or above kMaxFrameSide or when memory runs out.
  bool Setup(const FrameFormat& format);

  // Converts one frame of the agreed format and returns the BGRA frame: the output,
  // or for RGB32 frames without row padding the frame's own bytes. nullptr, with the
  // output left alone, before Setup, when a plane the format needs is null or a
  // stride is shorter than its row. Each plane must hold its rows at its stride.
  const std::uint8_t* Convert(const FramePlanes& frame);

  const FrameFormat& Format() const { return format_; }
  const std::uint8_t* Output() const { return output_.get(); }  // null before Setup; kept until the next Setup

 private:
  bool PlanesFit(const FramePlanes& frame) const;
  void SampleMean();

  MillisecondClock clock_;
  MeanSampling& sampling_;
  const ConvertKernels& kernels_;
  FrameFormat format_;
  struct Free {
    void operator()(std::uint8_t* bytes) const { std::free(bytes); }
  };
  std::unique_ptr<std::uint8_t[], Free> output_;  // on a cache line: the kernels' wide stores never straddle two
  MeanColour meanCache_{0.0f, 0.0f, 0.0f};
  std::uint32_t lastMeanTime_ = 0;  // ms of clock_
};

}  // namespace quela
