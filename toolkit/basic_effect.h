#pragma once
// The general-purpose material effect: colours, optional texture and vertex
// colour, three lights (off until enabled) and fog.
#include <memory>

#include "toolkit/material_effect.h"

namespace quela::toolkit {

class BasicEffect final : public MaterialEffect, public IEffectFog {
 public:
  // Keeps the device; GL work happens in Apply. Defaults: white diffuse,
  // alpha 1, specular white at power 16, lighting, texture and fog off.
  explicit BasicEffect(Device& device);

  void SetTextureEnabled(bool enabled) { textureEnabled_ = enabled; }
  void Apply(DeviceContext& context) override;

  void SetFogEnabled(bool enabled) override { in_.fog = enabled; }
  void SetFogStart(float distance) override { in_.fogStart = distance; }
  void SetFogEnd(float distance) override { in_.fogEnd = distance; }
  void SetFogColor(Vector3 color) override { in_.fogColor = color; }

 private:
  const std::string& PixelSource() const override;
};

}  // namespace quela::toolkit
