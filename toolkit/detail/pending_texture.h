#pragma once
// A decoded image that becomes a Texture2D on first use, so that effect
// factories can read texture files on a loading thread. Get: GL thread only.
#include <optional>

#include "toolkit/png_file.h"
#include "toolkit/texture.h"

namespace quela::toolkit::detail {

class PendingTexture {
 public:
  PendingTexture(Image image, bool srgb) : image_(std::move(image)), srgb_(srgb) {}

  const Texture2D& Get() {
    if (!texture_) {
      texture_.emplace(image_.width, image_.height, srgb_, image_.rgba.data());
      image_ = {};
    }
    return *texture_;
  }

 private:
  Image image_;
  bool srgb_;
  std::optional<Texture2D> texture_;
};

}  // namespace quela::toolkit::detail
