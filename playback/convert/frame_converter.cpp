#include "playback/convert/frame_converter.h"

#include <chrono>
#include <cstring>

#include <opencv2/core.hpp>

namespace quela {
namespace {

constexpr std::uint32_t kMeanIntervalMs = 33;
constexpr std::size_t kCacheLine = 64;

bool IsOpenCvFormat(PixelFormat format) { return format == PixelFormat::kNV12 || format == PixelFormat::kYV12; }

// RGB32 with padded rows: the rows without their padding.
void CopyRgb32(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst, std::ptrdiff_t dstStride,
               int width, int height) {
  for (int row = 0; row < height; ++row) std::memcpy(dst + row * dstStride, src + row * srcStride, width * 4);
}

MeanColour BgraMean(const std::uint8_t* bgra, int width, int height) {
  const cv::Scalar mean = cv::mean(cv::Mat(height, width, CV_8UC4, const_cast<std::uint8_t*>(bgra)));
  return MeanColour{static_cast<float>(mean[2]), static_cast<float>(mean[1]), static_cast<float>(mean[0])};
}

}  // namespace

std::uint32_t SystemMilliseconds() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

FrameConverter::FrameConverter(MillisecondClock clock, MeanSampling& sampling)
    : clock_(std::move(clock)), sampling_(sampling), kernels_(BestKernels()) {}

bool FrameConverter::Setup(const FrameFormat& format) {
  output_.reset();  // the old frame goes before the new one is made
  format_ = FrameFormat{};
  if (format.width <= 0 || format.height <= 0 || format.width > kMaxFrameSide || format.height > kMaxFrameSide) {
    return false;
  }
  const std::size_t bytes = static_cast<std::size_t>(format.width) * format.height * 4;
  const std::size_t wholeLines = (bytes + kCacheLine - 1) / kCacheLine * kCacheLine;  // aligned_alloc's rule
  output_.reset(static_cast<std::uint8_t*>(std::aligned_alloc(kCacheLine, wholeLines)));
  if (!output_) return false;
  std::memset(output_.get(), 0, bytes);
  if (IsOpenCvFormat(format.pixelFormat)) lastMeanTime_ = clock_();
  format_ = format;
  return true;
}

bool FrameConverter::PlanesFit(const FramePlanes& frame) const {
  const std::ptrdiff_t w = format_.width;
  const std::ptrdiff_t chromaWidth = (w + 1) / 2;
  std::ptrdiff_t rowBytes[3] = {};
  switch (format_.pixelFormat) {
    case PixelFormat::kNV12: rowBytes[0] = w; rowBytes[1] = 2 * chromaWidth; break;
    case PixelFormat::kYV12:
    case PixelFormat::kI420:
    case PixelFormat::kIYUV: rowBytes[0] = w; rowBytes[1] = rowBytes[2] = chromaWidth; break;
    case PixelFormat::kYUY2: rowBytes[0] = 4 * chromaWidth; break;
    case PixelFormat::kRGB555:
    case PixelFormat::kRGB565: rowBytes[0] = 2 * w; break;
    case PixelFormat::kRGB24: rowBytes[0] = 3 * w; break;
    case PixelFormat::kRGB32: rowBytes[0] = 4 * w; break;
  }
  for (int p = 0; p < 3; ++p) {
    if (rowBytes[p] && (!frame.data[p] || frame.stride[p] < rowBytes[p])) return false;
  }
  return true;
}

const std::uint8_t* FrameConverter::Convert(const FramePlanes& frame) {
  if (!output_ || !PlanesFit(frame)) return nullptr;
  const int w = format_.width;
  const int h = format_.height;
  std::uint8_t* out = output_.get();
  const std::ptrdiff_t outStride = static_cast<std::ptrdiff_t>(w) * 4;
  const std::uint8_t* const* data = frame.data;
  const std::ptrdiff_t* stride = frame.stride;
  decltype(ConvertKernels::rgb24) packed = nullptr;  // the formats of one plane
  switch (format_.pixelFormat) {
    case PixelFormat::kNV12:
      kernels_.semiPlanar420OpenCv(data[0], stride[0], data[1], stride[1], out, outStride, w, h);
      SampleMean();
      return out;
    case PixelFormat::kYV12:  // V's plane before U's
      kernels_.planar420OpenCv(data[0], stride[0], data[2], stride[2], data[1], stride[1], out, outStride, w, h);
      SampleMean();
      return out;
    case PixelFormat::kI420:
    case PixelFormat::kIYUV:
      kernels_.planar420(data[0], stride[0], data[1], stride[1], data[2], stride[2], out, outStride, w, h);
      return out;
    case PixelFormat::kYUY2: packed = kernels_.packed422; break;
    case PixelFormat::kRGB555: packed = kernels_.rgb555; break;
    case PixelFormat::kRGB565: packed = kernels_.rgb565; break;
    case PixelFormat::kRGB24: packed = kernels_.rgb24; break;
    case PixelFormat::kRGB32:
      if (stride[0] == outStride) return data[0];
      packed = CopyRgb32;
      break;
  }
  packed(data[0], stride[0], out, outStride, w, h);
  return out;
}

// At most every other frame and at most once per interval; the shared colour is
// written after every frame while the light follows the video.
void FrameConverter::SampleMean() {
  if (!sampling_.lightFollowsVideo.load()) return;
  if (!sampling_.toggle.load()) {
    sampling_.toggle.store(true);
  } else {
    const std::uint32_t now = clock_();
    if (now - lastMeanTime_ >= kMeanIntervalMs) {
      meanCache_ = BgraMean(output_.get(), format_.width, format_.height);
      lastMeanTime_ = now;
    }
    sampling_.toggle.store(false);
  }
  sampling_.colour.Store(meanCache_);
}

}  // namespace quela
