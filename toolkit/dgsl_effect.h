#pragma once
// The material effect made for model materials: material ambient, diffuse,
// specular and emissive colours, alpha, a texture and three lights (light 0 on,
// lighting on), with its pixel stage read from a shader asset. It always
// samples texture slot 0 (white when it has no texture of its own), so a
// texture bound by a draw's custom state shows on the model. No fog.
#include <memory>
#include <string>

#include "toolkit/material_effect.h"

namespace quela::toolkit {

class DGSLEffect final : public MaterialEffect {
 public:
  // pixelSource: GLSL text of the pixel stage (shaders/lambert_dgsl.glsl
  // states the contract). Compiled on the first Apply; a stage that does not
  // compile throws std::runtime_error from Apply.
  DGSLEffect(Device& device, std::shared_ptr<const std::string> pixelSource);

  void SetAmbientColor(Vector3 color) { in_.materialAmbient = color; }

 private:
  const std::string& PixelSource() const override { return *pixelSource_; }

  std::shared_ptr<const std::string> pixelSource_;
};

}  // namespace quela::toolkit
