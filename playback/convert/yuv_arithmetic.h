#pragma once
// The two BT.601 studio-range conversions the converters reproduce bit for bit.
// Each pixel is
//   luma = (Y - 16) * kLuma + kRound, with Y - 16 taken as 0 below 0 when kClampLuma
//   B = clip((luma + (U - 128) * kBlueU) >> kShift)
//   G = clip((luma + (U - 128) * kGreenU + (V - 128) * kGreenV) >> kShift)
//   R = clip((luma + (V - 128) * kRedV) >> kShift)
#include <cstdint>

namespace quela {

// The table converters' 16.16 fixed point (I420, IYUV, YUY2).
struct TableArithmetic {
  static constexpr bool kClampLuma = false;
  static constexpr std::int32_t kLuma = 76309;     // 1.164
  static constexpr std::int32_t kBlueU = 132201;   // 2.017
  static constexpr std::int32_t kGreenU = -25675;  // -0.392
  static constexpr std::int32_t kGreenV = -53279;  // -0.813
  static constexpr std::int32_t kRedV = 104597;    // 1.596
  static constexpr std::int32_t kRound = 0;
  static constexpr int kShift = 16;
};

// OpenCV's 12.20 fixed point, rounded (NV12, YV12).
struct OpenCvArithmetic {
  static constexpr bool kClampLuma = true;
  static constexpr std::int32_t kLuma = 1220542;
  static constexpr std::int32_t kBlueU = 2116026;
  static constexpr std::int32_t kGreenU = -409993;
  static constexpr std::int32_t kGreenV = -852492;
  static constexpr std::int32_t kRedV = 1673527;
  static constexpr std::int32_t kRound = 1 << 19;
  static constexpr int kShift = 20;
};

}  // namespace quela
