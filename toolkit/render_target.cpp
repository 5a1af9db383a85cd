#include "toolkit/render_target.h"

#include <epoxy/gl.h>

#include <stdexcept>
#include <string>
#include <utility>

namespace quela::toolkit {

RenderTarget::RenderTarget(int width, int height, bool srgb, bool withDepth)
    : color_(width, height, srgb) {
  GLint previous = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &previous);
  glGenFramebuffers(1, &framebuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color_.id(), 0);
  if (withDepth) {
    glGenRenderbuffers(1, &depth_);
    glBindRenderbuffer(GL_RENDERBUFFER, depth_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth_);
  }
  const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
  if (status != GL_FRAMEBUFFER_COMPLETE) {
    Release();
    throw std::runtime_error("RenderTarget: framebuffer incomplete (status " +
                             std::to_string(status) + ")");
  }
}

RenderTarget::~RenderTarget() { Release(); }

void RenderTarget::Release() noexcept {
  if (framebuffer_) glDeleteFramebuffers(1, &framebuffer_);
  if (depth_) glDeleteRenderbuffers(1, &depth_);
  framebuffer_ = depth_ = 0;
}

RenderTarget::RenderTarget(RenderTarget&& other) noexcept
    : color_(std::move(other.color_)),
      depth_(std::exchange(other.depth_, 0u)),
      framebuffer_(std::exchange(other.framebuffer_, 0u)) {}

RenderTarget& RenderTarget::operator=(RenderTarget&& other) noexcept {
  if (this != &other) {
    Release();
    color_ = std::move(other.color_);
    depth_ = std::exchange(other.depth_, 0u);
    framebuffer_ = std::exchange(other.framebuffer_, 0u);
  }
  return *this;
}

}  // namespace quela::toolkit
