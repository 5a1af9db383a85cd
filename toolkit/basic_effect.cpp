#include "toolkit/basic_effect.h"

#include <string>

#include "toolkit/shaders/shader_sources.h"

namespace quela::toolkit {

BasicEffect::BasicEffect(Device& device) : MaterialEffect(device, false) {
  textureEnabled_ = false;
  in_.specular = {1, 1, 1};
  in_.specularPower = 16;
}

void BasicEffect::Apply(DeviceContext& context) {
  // Without a material ambient colour, ambient light lights the diffuse colour.
  in_.materialAmbient = in_.diffuse;
  MaterialEffect::Apply(context);
}

const std::string& BasicEffect::PixelSource() const {
  static const std::string source(shaders::LambertPixel());
  return source;
}

}  // namespace quela::toolkit
