#pragma once
// Draw-time state of one GL context: target, viewport and render states. It
// remembers what it set and skips GL calls for a state that is already current,
// so only this object may change those GL states (call InvalidateState after
// other GL code, e.g. a UI library, ran on the context).
//
// Coordinates as the callers' maths expects: viewports in pixels from the
// top-left corner of the target, projections to depth 0..1, culling by the
// winding seen in the displayed image. Render targets store their top row
// first, the window framebuffer its bottom row first; this object adapts GL's
// clip space to whichever is bound.
//
// Thread: the thread where its GL context is current.
#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "toolkit/common_states.h"
#include "toolkit/math.h"

struct __GLsync;  // GL's own name behind GLsync

namespace quela::toolkit {

class Device;
class RenderTarget;
class Texture2D;

struct Viewport {
  float x = 0, y = 0, width = 0, height = 0;  // pixels, top-left origin
  float minDepth = 0, maxDepth = 1;
  friend constexpr bool operator==(const Viewport&, const Viewport&) = default;
};

class DeviceContext {
 public:
  static constexpr unsigned kTextureSlots = 8;

  // Starts with the window framebuffer bound at 0 x 0: call
  // SetDefaultRenderTarget or SetRenderTarget before drawing.
  explicit DeviceContext(Device& device);
  ~DeviceContext();
  DeviceContext(const DeviceContext&) = delete;
  DeviceContext& operator=(const DeviceContext&) = delete;

  Device& device() const { return device_; }

  // Binds the target and sets the viewport to all of it. The target must
  // outlive its use here.
  void SetRenderTarget(const RenderTarget& target);
  // Binds the window framebuffer of the given size. srgb: it is sRGB-capable
  // and should encode on write.
  void SetDefaultRenderTarget(int width, int height, bool srgb = false);
  int targetWidth() const { return targetWidth_; }
  int targetHeight() const { return targetHeight_; }

  void SetViewport(const Viewport& viewport);
  const Viewport& GetViewport() const { return viewport_; }

  // Clears the whole target (colour, depth, stencil). The depth and stencil
  // are cleared when the first draw that may use them comes (see PrepareDraw):
  // a frame that tests no depth never pays for them, and a software
  // rasterizer clears a large depth buffer slowly.
  void Clear(const Color& color, float depth = 1.0f);
  // Called by the toolkit right before each draw call.
  void PrepareDraw();

  void SetBlendState(const BlendState& state);
  void SetDepthStencilState(const DepthStencilState& state);
  void SetRasterizerState(const RasterizerState& state);
  void SetSamplerState(unsigned slot, const SamplerState& state);
  // Texture for a slot; null unbinds it. The texture must stay alive while bound.
  void SetTexture(unsigned slot, const Texture2D* texture);
  // A GL texture name owned elsewhere (e.g. a texture shared with the video thread's context); 0 unbinds.
  void SetTexture(unsigned slot, unsigned int glTexture);

  // Copies the colour image of `source` into `destination` (same size).
  void CopyTexture(const RenderTarget& source, const Texture2D& destination);

  // Forget every remembered state; the next setter always calls GL.
  void InvalidateState();

  // Marks the commands issued so far, replacing any earlier mark; WaitForMark blocks until the GL
  // has run them all (for a quarter of a second at most), then drops the mark. Without a mark it
  // returns at once.
  void Mark();
  void WaitForMark();

  // Toolkit internals.
  void UseProgram(unsigned int program);
  void BindVertexArray(unsigned int vertexArray);
  // y scale, z scale and z bias (times w) for the vertex stages.
  std::array<float, 3> ClipAdjust() const { return clipAdjust_; }

 private:
  void BindTarget(unsigned int framebuffer, int width, int height, bool topRowFirst, bool srgb);
  void ApplyTarget();
  void ApplyFrontFace();
  unsigned int SamplerObject(const SamplerState& state);
  void ForgetBindingsIfObjectsCreated();

  Device& device_;
  int targetWidth_ = 0;
  int targetHeight_ = 0;
  bool topRowFirst_ = false;
  bool flipsWinding_ = false;
  bool srgbTarget_ = false;
  unsigned int targetFramebuffer_ = 0;
  std::array<float, 3> clipAdjust_{1, 1, 0};
  Viewport viewport_;

  // What GL holds now; empty = unknown, so the next setter calls GL.
  std::optional<unsigned int> framebuffer_;
  std::optional<bool> srgbWrites_;
  std::optional<bool> upperLeftOrigin_;
  std::optional<BlendState> blend_;
  std::optional<DepthStencilState> depth_;
  std::optional<RasterizerState> rasterizer_;
  std::optional<int> frontFace_;
  std::array<std::optional<SamplerState>, kTextureSlots> samplers_;
  std::array<std::optional<unsigned int>, kTextureSlots> textures_;
  std::optional<unsigned int> program_;
  std::optional<unsigned int> vertexArray_;
  std::vector<std::pair<unsigned int, float>> pendingDepthClears_;  // framebuffer, depth value
  __GLsync* mark_ = nullptr;
  std::uint64_t objectEpoch_ = 0;
  std::array<unsigned int, 6> samplerObjects_{};
};

}  // namespace quela::toolkit
