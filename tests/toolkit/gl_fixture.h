#pragma once
// A hidden GL context with the toolkit's device and context on it, drawing
// into a 64 x 64 render target, under either way of reaching GL's clip space.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "tests/support/headless_gl.h"
#include "toolkit/device.h"
#include "toolkit/device_context.h"
#include "toolkit/render_target.h"

namespace quela::toolkit::test {

using Pixel = std::array<std::uint8_t, 4>;

class GlTest : public ::testing::TestWithParam<Device::ClipSpace> {
 protected:
  static constexpr int kSize = 64;

  GlTest() : gl_(kSize, kSize), device_(GetParam()), context_(device_), target_(kSize, kSize, false) {
    context_.SetRenderTarget(target_);
    context_.Clear(kBlack);
  }

  // Pixel (x, y) counted from the top-left of the render target.
  Pixel At(int x, int y) {
    Pixel p{};
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target_.framebuffer());
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
    return p;
  }

  // The same from the window framebuffer, whose rows GL stores bottom first.
  Pixel WindowAt(int x, int y) {
    Pixel p{};
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadPixels(x, kSize - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
    return p;
  }

  quela::test::HeadlessGl gl_;
  Device device_;
  DeviceContext context_;
  RenderTarget target_;
};

inline std::string ClipSpaceName(const ::testing::TestParamInfo<Device::ClipSpace>& info) {
  return info.param == Device::ClipSpace::Auto ? "ClipControl" : "ShaderAdjust";
}

}  // namespace quela::toolkit::test
