#pragma once
// An offscreen colour texture with an optional depth buffer, drawn into
// through DeviceContext::SetRenderTarget. GL thread only; the framebuffer
// object belongs to the GL context that created it.
#include "toolkit/texture.h"

namespace quela::toolkit {

class RenderTarget {
 public:
  // Throws std::runtime_error when GL reports the framebuffer incomplete.
  RenderTarget(int width, int height, bool srgb, bool withDepth = true);
  ~RenderTarget();
  RenderTarget(RenderTarget&& other) noexcept;
  RenderTarget& operator=(RenderTarget&& other) noexcept;
  RenderTarget(const RenderTarget&) = delete;
  RenderTarget& operator=(const RenderTarget&) = delete;

  // The colour image, top row first like every texture (see texture.h).
  const Texture2D& color() const { return color_; }
  unsigned int framebuffer() const { return framebuffer_; }  // the GL framebuffer name
  int width() const { return color_.width(); }
  int height() const { return color_.height(); }
  bool srgb() const { return color_.srgb(); }

 private:
  void Release() noexcept;

  Texture2D color_;
  unsigned int depth_ = 0;
  unsigned int framebuffer_ = 0;
};

}  // namespace quela::toolkit
