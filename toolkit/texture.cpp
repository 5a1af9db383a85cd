#include "toolkit/texture.h"

#include <epoxy/gl.h>

#include <stdexcept>
#include <utility>

#include "toolkit/detail/object_epoch.h"

namespace quela::toolkit {
namespace {

// Leaves the active unit's binding as it was, so DeviceContext's record of
// bound textures stays true.
class BindingRestorer {
 public:
  BindingRestorer() { glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous_); }
  ~BindingRestorer() { glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous_)); }
  BindingRestorer(const BindingRestorer&) = delete;
  BindingRestorer& operator=(const BindingRestorer&) = delete;

 private:
  GLint previous_ = 0;
};

}  // namespace

Texture2D::Texture2D(int width, int height, bool srgb, const std::uint8_t* rgba)
    : width_(width), height_(height), srgb_(srgb) {
  if (width < 1 || height < 1) throw std::invalid_argument("Texture2D: empty size");
  const BindingRestorer restore;
  glGenTextures(1, &id_);
  detail::NoteObjectCreated();
  glBindTexture(GL_TEXTURE_2D, id_);
  // One level only: without this, mipmapped sampler filters would leave the
  // texture incomplete and sampling would return black.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexImage2D(GL_TEXTURE_2D, 0, srgb ? GL_SRGB8_ALPHA8 : GL_RGBA8, width, height, 0, GL_RGBA,
               GL_UNSIGNED_BYTE, rgba);
}

Texture2D::~Texture2D() {
  if (id_) glDeleteTextures(1, &id_);
}

Texture2D::Texture2D(Texture2D&& other) noexcept
    : id_(std::exchange(other.id_, 0u)),
      width_(other.width_),
      height_(other.height_),
      srgb_(other.srgb_) {}

Texture2D& Texture2D::operator=(Texture2D&& other) noexcept {
  if (this != &other) {
    if (id_) glDeleteTextures(1, &id_);
    id_ = std::exchange(other.id_, 0u);
    width_ = other.width_;
    height_ = other.height_;
    srgb_ = other.srgb_;
  }
  return *this;
}

void Texture2D::Update(const std::uint8_t* rgba) {
  const BindingRestorer restore;
  glBindTexture(GL_TEXTURE_2D, id_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

}  // namespace quela::toolkit
