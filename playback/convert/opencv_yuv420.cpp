#include "playback/convert/opencv_yuv420.h"

#include <algorithm>
#include <cstring>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace quela {
namespace {

std::uint8_t* Bytes(const std::uint8_t* p) { return const_cast<std::uint8_t*>(p); }  // cv::Mat wants non-const data

cv::Mat Plane(int rows, int cols, int type, const std::uint8_t* data, std::ptrdiff_t stride) {
  return cv::Mat(rows, cols, type, Bytes(data), static_cast<std::size_t>(stride));
}

}  // namespace

void OpenCvYuv420::Setup(PixelFormat format, int width, int height) {
  format_ = format;
  width_ = width;
  height_ = height;
  const std::size_t evenWidth = width & ~1;
  const std::size_t evenHeight = height & ~1;
  const std::size_t edge = (width % 2 || height % 2) ? std::max<std::size_t>(evenHeight, width + 1) : 0;
  interleaved_.assign(format == PixelFormat::kYV12 ? evenWidth * evenHeight / 2 : 0, 0);
  edgeLuma_.assign(2 * edge, 0);
  edgeChroma_.assign(edge, 0);
  edgeBgra_.assign(8 * edge, 0);
}

bool OpenCvYuv420::Convert(const FramePlanes& frame, std::uint8_t* dst) {
  const Chroma chroma = format_ == PixelFormat::kNV12
                            ? Chroma{frame.data[1], frame.data[1] + 1, frame.stride[1], frame.stride[1], 2}
                            : Chroma{frame.data[2], frame.data[1], frame.stride[2], frame.stride[1], 1};
  try {
    if (width_ >= 2 && height_ >= 2 && !ConvertEven(frame, chroma, dst)) return false;
    if (width_ % 2 && height_ >= 2) ConvertLastColumn(frame, chroma, dst);
    if (height_ % 2) ConvertLastRow(frame, chroma, dst);
  } catch (const cv::Exception&) {
    return false;
  }
  return true;
}

bool OpenCvYuv420::ConvertEven(const FramePlanes& frame, const Chroma& chroma, std::uint8_t* dst) {
  const int w = width_ & ~1;
  const int h = height_ & ~1;
  cv::Mat out(h, w, CV_8UC4, dst, static_cast<std::size_t>(width_) * 4);
  const std::uint8_t* y = frame.data[0];
  if (format_ == PixelFormat::kNV12) {
    cv::cvtColorTwoPlane(Plane(h, w, CV_8UC1, y, frame.stride[0]), Plane(h / 2, w / 2, CV_8UC2, chroma.u, chroma.uStride),
                         out, cv::COLOR_YUV2BGRA_NV12);
  } else {
    // OpenCV's own YV12 layout: rows exactly the width, V right after Y, U right after V.
    const std::ptrdiff_t lumaSize = static_cast<std::ptrdiff_t>(w) * h;
    if (w == width_ && h == height_ && frame.stride[0] == w && chroma.uStride == w / 2 && chroma.vStride == w / 2 &&
        chroma.v == y + lumaSize && chroma.u == chroma.v + lumaSize / 4) {
      cv::cvtColor(Plane(h * 3 / 2, w, CV_8UC1, y, w), out, cv::COLOR_YUV2BGRA_YV12);
    } else {
      // Anywhere else the planes are interleaved into the two-plane form, which has the same arithmetic.
      for (int r = 0; r < h / 2; ++r) {
        const std::uint8_t* u = chroma.u + r * chroma.uStride;
        const std::uint8_t* v = chroma.v + r * chroma.vStride;
        std::uint8_t* uv = interleaved_.data() + static_cast<std::ptrdiff_t>(r) * w;
        for (int k = 0; k < w / 2; ++k) {
          uv[2 * k] = u[k];
          uv[2 * k + 1] = v[k];
        }
      }
      cv::cvtColorTwoPlane(Plane(h, w, CV_8UC1, y, frame.stride[0]), Plane(h / 2, w / 2, CV_8UC2, interleaved_.data(), w),
                           out, cv::COLOR_YUV2BGRA_NV12);
    }
  }
  return out.data == dst;  // OpenCV wrote into dst, not into a buffer of its own
}

// Rows 0 to the last even row of the odd last column, as a frame two pixels wide.
void OpenCvYuv420::ConvertLastColumn(const FramePlanes& frame, const Chroma& chroma, std::uint8_t* dst) {
  const int h = height_ & ~1;
  const int x = width_ - 1;
  const std::ptrdiff_t k = static_cast<std::ptrdiff_t>(x / 2) * chroma.step;
  for (int r = 0; r < h; ++r) {
    edgeLuma_[2 * r] = edgeLuma_[2 * r + 1] = frame.data[0][r * frame.stride[0] + x];
  }
  for (int r = 0; r < h / 2; ++r) {
    edgeChroma_[2 * r] = chroma.u[r * chroma.uStride + k];
    edgeChroma_[2 * r + 1] = chroma.v[r * chroma.vStride + k];
  }
  cv::Mat out(h, 2, CV_8UC4, edgeBgra_.data());
  cv::cvtColorTwoPlane(cv::Mat(h, 2, CV_8UC1, edgeLuma_.data()), cv::Mat(h / 2, 1, CV_8UC2, edgeChroma_.data()), out,
                       cv::COLOR_YUV2BGRA_NV12);
  const std::ptrdiff_t dstStride = static_cast<std::ptrdiff_t>(width_) * 4;
  for (int r = 0; r < h; ++r) std::memcpy(dst + r * dstStride + 4 * x, edgeBgra_.data() + 8 * r, 4);
}

// The odd last row, corner included, as a frame two rows high.
void OpenCvYuv420::ConvertLastRow(const FramePlanes& frame, const Chroma& chroma, std::uint8_t* dst) {
  const int w = (width_ + 1) & ~1;
  const int row = height_ - 1;
  const std::uint8_t* y = frame.data[0] + row * frame.stride[0];
  for (int x = 0; x < w; ++x) edgeLuma_[x] = edgeLuma_[w + x] = y[std::min(x, width_ - 1)];
  const std::uint8_t* u = chroma.u + (row / 2) * chroma.uStride;
  const std::uint8_t* v = chroma.v + (row / 2) * chroma.vStride;
  for (int k = 0; k < w / 2; ++k) {
    edgeChroma_[2 * k] = u[k * chroma.step];
    edgeChroma_[2 * k + 1] = v[k * chroma.step];
  }
  cv::Mat out(2, w, CV_8UC4, edgeBgra_.data());
  cv::cvtColorTwoPlane(cv::Mat(2, w, CV_8UC1, edgeLuma_.data()), cv::Mat(1, w / 2, CV_8UC2, edgeChroma_.data()), out,
                       cv::COLOR_YUV2BGRA_NV12);
  std::memcpy(dst + static_cast<std::ptrdiff_t>(row) * width_ * 4, edgeBgra_.data(), static_cast<std::size_t>(width_) * 4);
}

MeanColour BgraMean(const std::uint8_t* bgra, int width, int height) {
  const cv::Scalar mean = cv::mean(cv::Mat(height, width, CV_8UC4, Bytes(bgra)));
  return MeanColour{static_cast<float>(mean[2]), static_cast<float>(mean[1]), static_cast<float>(mean[0])};
}

}  // namespace quela
