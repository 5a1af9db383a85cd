#include "toolkit/material_effect.h"

#include <stdexcept>

#include "toolkit/detail/pending_texture.h"
#include "toolkit/device.h"

namespace quela::toolkit {

MaterialEffect::MaterialEffect(Device& device, bool samplesAlways)
    : device_(device), samplesAlways_(samplesAlways) {
  in_.lights[0].enabled = true;
}

MaterialEffect::~MaterialEffect() = default;

detail::DirectionalLight& MaterialEffect::Light(int index) {
  if (index < 0 || index >= kMaxDirectionalLights)
    throw std::out_of_range("effect light index " + std::to_string(index) + " out of range");
  return in_.lights[static_cast<std::size_t>(index)];
}

void MaterialEffect::EnableDefaultLighting() {
  struct Rig {
    Vector3 direction, diffuse, specular;
  };
  static constexpr Rig kRig[3] = {
      {{-0.5265408f, -0.5735765f, -0.6275069f}, {1.0f, 0.9607844f, 0.8078432f}, {1.0f, 0.9607844f, 0.8078432f}},
      {{0.7198464f, 0.3420201f, 0.6040227f}, {0.9647059f, 0.7607844f, 0.4078432f}, {0, 0, 0}},
      {{0.4545195f, -0.7660444f, 0.4545195f}, {0.3231373f, 0.3607844f, 0.3937255f}, {0.3231373f, 0.3607844f, 0.3937255f}},
  };
  in_.lighting = true;
  in_.ambientLight = {0.05333332f, 0.09882354f, 0.1819608f};
  for (std::size_t i = 0; i < 3; ++i) in_.lights[i] = {true, kRig[i].direction, kRig[i].diffuse, kRig[i].specular};
}

void MaterialEffect::Apply(DeviceContext& context) {
  if (!shader_) shader_ = &device_.GetModelShader(PixelSource());
  const Texture2D* texture = nullptr;
  if (textureEnabled_) {
    texture = texture_;
    if (!texture && pendingTexture_) texture = &pendingTexture_->Get();
    if (!texture && samplesAlways_) texture = &device_.WhiteTexture();
  }
  shader_->Apply(context, in_, texture);
}

}  // namespace quela::toolkit
