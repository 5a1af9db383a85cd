#pragma once
// Render states as small values (no GL). DeviceContext applies them and skips
// the GL calls for a state that is already current.
#include <cstdint>

namespace quela::toolkit {

enum class BlendFactor : std::uint8_t { Zero, One, SrcAlpha, InvSrcAlpha };

struct BlendState {
  bool enabled = false;
  BlendFactor source = BlendFactor::One;
  BlendFactor destination = BlendFactor::Zero;
  friend constexpr bool operator==(const BlendState&, const BlendState&) = default;
};

struct DepthStencilState {
  bool depthTest = true;
  bool depthWrite = true;
  friend constexpr bool operator==(const DepthStencilState&, const DepthStencilState&) = default;
};

// Which on-screen winding is culled, as seen in the displayed image (top row
// at the top): the models of this toolkit show clockwise triangles and are
// drawn with CullCounterClockwise.
enum class CullMode : std::uint8_t { None, Clockwise, CounterClockwise };

struct RasterizerState {
  CullMode cull = CullMode::CounterClockwise;
  bool wireframe = false;
  friend constexpr bool operator==(const RasterizerState&, const RasterizerState&) = default;
};

enum class TextureFilter : std::uint8_t { Point, Linear, Anisotropic };
enum class TextureAddress : std::uint8_t { Wrap, Clamp };

struct SamplerState {
  TextureFilter filter = TextureFilter::Linear;
  TextureAddress address = TextureAddress::Clamp;
  friend constexpr bool operator==(const SamplerState&, const SamplerState&) = default;
};

// The usual states by name. Blends expect premultiplied colours except
// NonPremultiplied.
class CommonStates {
 public:
  static constexpr BlendState Opaque() { return {}; }
  static constexpr BlendState AlphaBlend() { return {true, BlendFactor::One, BlendFactor::InvSrcAlpha}; }
  static constexpr BlendState NonPremultiplied() {
    return {true, BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha};
  }

  static constexpr DepthStencilState DepthNone() { return {false, false}; }
  static constexpr DepthStencilState DepthDefault() { return {true, true}; }
  static constexpr DepthStencilState DepthRead() { return {true, false}; }

  static constexpr RasterizerState CullNone() { return {CullMode::None, false}; }
  static constexpr RasterizerState CullClockwise() { return {CullMode::Clockwise, false}; }
  static constexpr RasterizerState CullCounterClockwise() { return {CullMode::CounterClockwise, false}; }
  static constexpr RasterizerState Wireframe() { return {CullMode::CounterClockwise, true}; }

  static constexpr SamplerState PointWrap() { return {TextureFilter::Point, TextureAddress::Wrap}; }
  static constexpr SamplerState PointClamp() { return {TextureFilter::Point, TextureAddress::Clamp}; }
  static constexpr SamplerState LinearWrap() { return {TextureFilter::Linear, TextureAddress::Wrap}; }
  static constexpr SamplerState LinearClamp() { return {TextureFilter::Linear, TextureAddress::Clamp}; }
  static constexpr SamplerState AnisotropicWrap() { return {TextureFilter::Anisotropic, TextureAddress::Wrap}; }
  static constexpr SamplerState AnisotropicClamp() {
    return {TextureFilter::Anisotropic, TextureAddress::Clamp};
  }
};

}  // namespace quela::toolkit
