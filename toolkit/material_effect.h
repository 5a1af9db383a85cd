#pragma once
// What BasicEffect and DGSLEffect share: matrices, material colours, three
// directional lights, a texture in slot 0 and the model shader behind them.
#include <memory>

#include "toolkit/detail/model_shader.h"
#include "toolkit/effects.h"

namespace quela::toolkit {

class Device;
class Texture2D;
namespace detail {
class PendingTexture;
}

class MaterialEffect : public IEffect, public IEffectMatrices, public IEffectLights {
 public:
  MaterialEffect(const MaterialEffect&) = delete;
  MaterialEffect& operator=(const MaterialEffect&) = delete;

  void Apply(DeviceContext& context) override;

  void SetWorld(const Matrix& world) override { in_.world = world; }
  void SetView(const Matrix& view) override { in_.view = view; }
  void SetProjection(const Matrix& projection) override { in_.projection = projection; }

  void SetLightingEnabled(bool enabled) override { in_.lighting = enabled; }
  void SetPerPixelLighting(bool) override {}
  void SetAmbientLightColor(Vector3 color) override { in_.ambientLight = color; }
  void SetLightEnabled(int index, bool enabled) override { Light(index).enabled = enabled; }
  void SetLightDirection(int index, Vector3 direction) override { Light(index).direction = direction; }
  void SetLightDiffuseColor(int index, Vector3 color) override { Light(index).diffuse = color; }
  void SetLightSpecularColor(int index, Vector3 color) override { Light(index).specular = color; }
  void EnableDefaultLighting() override;

  void SetDiffuseColor(Vector3 color) { in_.diffuse = color; }
  void SetEmissiveColor(Vector3 color) { in_.emissive = color; }
  void SetSpecularColor(Vector3 color) { in_.specular = color; }
  void SetSpecularPower(float power) { in_.specularPower = power; }
  void DisableSpecular() { in_.specular = {}; }
  void SetAlpha(float alpha) { in_.alpha = alpha; }
  void SetVertexColorEnabled(bool enabled) { in_.vertexColor = enabled; }
  // The texture for slot 0; not owned, it must outlive its use. Null = none.
  void SetTexture(const Texture2D* texture) { texture_ = texture; }

  // Toolkit internal: a texture loaded by an effect factory, uploaded on first use.
  void SetTexture(std::shared_ptr<detail::PendingTexture> texture) { pendingTexture_ = std::move(texture); }

 protected:
  // samplesAlways: with no texture set, sample a white texture, so that a
  // texture bound to slot 0 by a caller's custom state shows through.
  MaterialEffect(Device& device, bool samplesAlways);
  ~MaterialEffect() override;
  // The material pixel stage; the same text for the life of the effect.
  virtual const std::string& PixelSource() const = 0;

  detail::ModelShaderInputs in_;
  bool textureEnabled_ = true;  // false: never sample, whatever is set

 private:
  detail::DirectionalLight& Light(int index);

  Device& device_;
  bool samplesAlways_;
  const Texture2D* texture_ = nullptr;
  std::shared_ptr<detail::PendingTexture> pendingTexture_;
  const detail::ModelShader* shader_ = nullptr;
};

}  // namespace quela::toolkit
