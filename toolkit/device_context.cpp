#include "toolkit/device_context.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "toolkit/detail/object_epoch.h"
#include "toolkit/device.h"
#include "toolkit/render_target.h"
#include "toolkit/texture.h"

namespace quela::toolkit {
namespace {

// With glClipControl(GL_UPPER_LEFT) GL also negates the facing computation, so
// a triangle keeps its facing as seen in the stored image.
constexpr bool kUpperLeftKeepsFacing = true;

GLenum ToGl(BlendFactor f) {
  switch (f) {
    case BlendFactor::Zero: return GL_ZERO;
    case BlendFactor::One: return GL_ONE;
    case BlendFactor::SrcAlpha: return GL_SRC_ALPHA;
    case BlendFactor::InvSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
  }
  return GL_ONE;
}

void Enable(GLenum cap, bool on) {
  if (on)
    glEnable(cap);
  else
    glDisable(cap);
}

}  // namespace

DeviceContext::DeviceContext(Device& device) : device_(device) { BindTarget(0, 0, 0, false, false); }

DeviceContext::~DeviceContext() {
  if (mark_) glDeleteSync(mark_);
  for (GLuint sampler : samplerObjects_)
    if (sampler) glDeleteSamplers(1, &sampler);
}

void DeviceContext::SetRenderTarget(const RenderTarget& target) {
  BindTarget(target.framebuffer(), target.width(), target.height(), true, target.srgb());
}

void DeviceContext::SetDefaultRenderTarget(int width, int height, bool srgb) {
  BindTarget(0, width, height, false, srgb);
}

void DeviceContext::BindTarget(unsigned int framebuffer, int width, int height, bool topRowFirst,
                               bool srgb) {
  targetFramebuffer_ = framebuffer;
  targetWidth_ = width;
  targetHeight_ = height;
  topRowFirst_ = topRowFirst;
  srgbTarget_ = srgb;
  if (device_.usesClipControl()) {
    clipAdjust_ = {1, 1, 0};
    flipsWinding_ = topRowFirst && !kUpperLeftKeepsFacing;
  } else {
    // Depth 0..1 to GL's -1..1, and y mirrored where the top row is stored first.
    clipAdjust_ = {topRowFirst ? -1.0f : 1.0f, 2.0f, -1.0f};
    flipsWinding_ = topRowFirst;
  }
  ApplyTarget();
  SetViewport({0, 0, static_cast<float>(width), static_cast<float>(height), 0, 1});
}

void DeviceContext::ApplyTarget() {
  if (framebuffer_ != targetFramebuffer_) {
    glBindFramebuffer(GL_FRAMEBUFFER, targetFramebuffer_);
    framebuffer_ = targetFramebuffer_;
  }
  if (srgbWrites_ != srgbTarget_) {
    Enable(GL_FRAMEBUFFER_SRGB, srgbTarget_);
    srgbWrites_ = srgbTarget_;
  }
  if (device_.usesClipControl() && upperLeftOrigin_ != topRowFirst_) {
    glClipControl(topRowFirst_ ? GL_UPPER_LEFT : GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    upperLeftOrigin_ = topRowFirst_;
  }
  ApplyFrontFace();
}

void DeviceContext::SetViewport(const Viewport& v) {
  viewport_ = v;
  const float glY = topRowFirst_ ? v.y : static_cast<float>(targetHeight_) - v.y - v.height;
  glViewport(static_cast<GLint>(std::lround(v.x)), static_cast<GLint>(std::lround(glY)),
             static_cast<GLsizei>(std::lround(v.width)), static_cast<GLsizei>(std::lround(v.height)));
  glDepthRange(v.minDepth, v.maxDepth);
}

void DeviceContext::Clear(const Color& color, float depth) {
  glClearColor(color.r, color.g, color.b, color.a);
  glClear(GL_COLOR_BUFFER_BIT);
  // This target's earlier clear gives way to this one; targets deleted since keep none, as their
  // framebuffer names may come back for new targets.
  std::erase_if(pendingDepthClears_, [&](const auto& p) {
    return p.first == targetFramebuffer_ || (p.first != 0 && !glIsFramebuffer(p.first));
  });
  pendingDepthClears_.emplace_back(targetFramebuffer_, depth);
}

void DeviceContext::PrepareDraw() {
  // A draw that neither tests nor writes depth leaves the clear pending; an unknown state may do both.
  if (pendingDepthClears_.empty() || (depth_ && !depth_->depthTest && !depth_->depthWrite)) return;
  const auto pending = std::find_if(pendingDepthClears_.begin(), pendingDepthClears_.end(),
                                    [&](const auto& p) { return p.first == targetFramebuffer_; });
  if (pending == pendingDepthClears_.end()) return;
  const float depth = pending->second;
  pendingDepthClears_.erase(pending);
  ApplyTarget();
  // Clears obey the depth write mask: open it, then restore the state.
  const bool maskClosed = !depth_ || !depth_->depthWrite;
  if (maskClosed) glDepthMask(GL_TRUE);
  glClearDepth(depth);
  glClearStencil(0);
  glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  if (maskClosed && depth_) glDepthMask(GL_FALSE);
}

void DeviceContext::Mark() {
  if (mark_) glDeleteSync(mark_);
  mark_ = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
  glFlush();  // else the wait could outlast commands that never started
}

void DeviceContext::WaitForMark() {
  if (!mark_) return;
  // Bounded: the wait only moves a stall earlier, and commands issued after it stay ordered anyway.
  glClientWaitSync(mark_, 0, 250'000'000);
  glDeleteSync(mark_);
  mark_ = nullptr;
}

void DeviceContext::SetBlendState(const BlendState& state) {
  if (blend_ == state) return;
  Enable(GL_BLEND, state.enabled);
  glBlendFunc(ToGl(state.source), ToGl(state.destination));
  blend_ = state;
}

void DeviceContext::SetDepthStencilState(const DepthStencilState& state) {
  if (depth_ == state) return;
  Enable(GL_DEPTH_TEST, state.depthTest);
  glDepthFunc(GL_LESS);
  glDepthMask(state.depthWrite ? GL_TRUE : GL_FALSE);
  depth_ = state;
}

void DeviceContext::SetRasterizerState(const RasterizerState& state) {
  if (rasterizer_ == state) return;
  Enable(GL_CULL_FACE, state.cull != CullMode::None);
  glCullFace(GL_BACK);
  glPolygonMode(GL_FRONT_AND_BACK, state.wireframe ? GL_LINE : GL_FILL);
  rasterizer_ = state;
  ApplyFrontFace();
}

void DeviceContext::ApplyFrontFace() {
  if (!rasterizer_ || rasterizer_->cull == CullMode::None) return;
  // Culling counter-clockwise triangles = clockwise ones are the front.
  bool frontIsClockwise = rasterizer_->cull == CullMode::CounterClockwise;
  if (flipsWinding_) frontIsClockwise = !frontIsClockwise;
  const int face = frontIsClockwise ? GL_CW : GL_CCW;
  if (frontFace_ == face) return;
  glFrontFace(static_cast<GLenum>(face));
  frontFace_ = face;
}

unsigned int DeviceContext::SamplerObject(const SamplerState& state) {
  const std::size_t index =
      static_cast<std::size_t>(state.filter) * 2 + static_cast<std::size_t>(state.address);
  GLuint& sampler = samplerObjects_.at(index);
  if (sampler) return sampler;
  glGenSamplers(1, &sampler);
  const GLint wrap = state.address == TextureAddress::Wrap ? GL_REPEAT : GL_CLAMP_TO_EDGE;
  glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, wrap);
  glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, wrap);
  glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, wrap);
  const bool point = state.filter == TextureFilter::Point;
  glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, point ? GL_NEAREST_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_LINEAR);
  glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, point ? GL_NEAREST : GL_LINEAR);
  if (state.filter == TextureFilter::Anisotropic && device_.maxAnisotropy() > 1)
    glSamplerParameterf(sampler, GL_TEXTURE_MAX_ANISOTROPY, std::min(16.0f, device_.maxAnisotropy()));
  return sampler;
}

void DeviceContext::SetSamplerState(unsigned slot, const SamplerState& state) {
  if (slot >= kTextureSlots) throw std::out_of_range("SetSamplerState: slot out of range");
  if (samplers_[slot] == state) return;
  glBindSampler(slot, SamplerObject(state));
  samplers_[slot] = state;
}

void DeviceContext::SetTexture(unsigned slot, const Texture2D* texture) { SetTexture(slot, texture ? texture->id() : 0u); }

void DeviceContext::SetTexture(unsigned slot, unsigned int id) {
  if (slot >= kTextureSlots) throw std::out_of_range("SetTexture: slot out of range");
  ForgetBindingsIfObjectsCreated();
  if (textures_[slot] == id) return;
  glActiveTexture(GL_TEXTURE0 + slot);
  glBindTexture(GL_TEXTURE_2D, id);
  textures_[slot] = id;
}

void DeviceContext::CopyTexture(const RenderTarget& source, const Texture2D& destination) {
  if (source.width() != destination.width() || source.height() != destination.height())
    throw std::invalid_argument("CopyTexture: source and destination sizes differ");
  glBindFramebuffer(GL_READ_FRAMEBUFFER, source.framebuffer());
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, destination.id());
  glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, source.width(), source.height());
  glBindTexture(GL_TEXTURE_2D, textures_[0].value_or(0));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_.value_or(0));
}

void DeviceContext::InvalidateState() {
  framebuffer_.reset();
  srgbWrites_.reset();
  upperLeftOrigin_.reset();
  blend_.reset();
  depth_.reset();
  rasterizer_.reset();
  frontFace_.reset();
  for (auto& s : samplers_) s.reset();
  for (auto& t : textures_) t.reset();
  program_.reset();
  vertexArray_.reset();
  ApplyTarget();
  SetViewport(viewport_);
}

void DeviceContext::UseProgram(unsigned int program) {
  if (program_ == program) return;
  glUseProgram(program);
  program_ = program;
}

void DeviceContext::BindVertexArray(unsigned int vertexArray) {
  ForgetBindingsIfObjectsCreated();
  if (vertexArray_ == vertexArray) return;
  glBindVertexArray(vertexArray);
  vertexArray_ = vertexArray;
}

void DeviceContext::ForgetBindingsIfObjectsCreated() {
  const std::uint64_t epoch = detail::objectEpoch.load(std::memory_order_relaxed);
  if (epoch == objectEpoch_) return;
  objectEpoch_ = epoch;
  for (auto& t : textures_) t.reset();
  vertexArray_.reset();
}

}  // namespace quela::toolkit
