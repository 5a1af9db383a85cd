#pragma once
// The main window's drawing surface as the renderer sees it; the platform
// layer implements it. Main thread.
#include <string>

namespace quela {

class GlSurface {
 public:
  virtual ~GlSurface() = default;
  // Sizes the window's client area in pixels.
  virtual void Resize(int width, int height) = 0;
  // Creates the GL 3.3 core context on the window and makes it current. srgb: ask for an
  // sRGB-capable default framebuffer; samples: 1 or the multisample count. False with Error() set.
  virtual bool CreateContext(bool srgb, int samples) = 0;
  // Whether the default framebuffer really encodes sRGB.
  virtual bool FramebufferIsSrgb() const = 0;
  virtual void Swap() = 0;
  virtual std::string Error() const = 0;
};

}  // namespace quela
