#pragma once
// A 2D RGBA8 texture the whole program can hold. GL thread only; creating or
// updating one leaves the current texture bindings unchanged.
//
// Orientation: texture coordinates follow the usual image convention, v = 0 at
// the top row. Give pixels top row first (as images are decoded) and the
// texture displays upright; images rendered into a RenderTarget are stored the
// same way, so a render target's colour texture can be sampled directly.
#include <cstdint>

namespace quela::toolkit {

class Texture2D {
 public:
  // rgba: width * height * 4 bytes, top row first, or null to leave the
  // contents undefined. srgb: texels are sRGB-encoded and read back linear.
  // One mip level. Throws std::invalid_argument for a size < 1.
  Texture2D(int width, int height, bool srgb, const std::uint8_t* rgba = nullptr);
  ~Texture2D();
  Texture2D(Texture2D&& other) noexcept;
  Texture2D& operator=(Texture2D&& other) noexcept;
  Texture2D(const Texture2D&) = delete;
  Texture2D& operator=(const Texture2D&) = delete;

  // Replaces the whole image (width * height * 4 bytes, top row first).
  void Update(const std::uint8_t* rgba);

  unsigned int id() const { return id_; }  // the GL texture name
  int width() const { return width_; }
  int height() const { return height_; }
  bool srgb() const { return srgb_; }

 private:
  unsigned int id_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool srgb_ = false;
};

}  // namespace quela::toolkit
