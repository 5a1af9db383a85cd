#pragma once
// The program behind every material effect: the toolkit's model vertex stage
// with a material pixel stage (see shaders/lambert_dgsl.glsl for the contract).
// GL thread only.
#include <array>
#include <string_view>

#include "toolkit/detail/shader_program.h"
#include "toolkit/math.h"

namespace quela::toolkit {
class DeviceContext;
class Texture2D;
}  // namespace quela::toolkit

namespace quela::toolkit::detail {

struct DirectionalLight {
  bool enabled = false;
  Vector3 direction{0, 0, -1};
  Vector3 diffuse{1, 1, 1};
  Vector3 specular{0, 0, 0};
};

struct ModelShaderInputs {
  Matrix world, view, projection;
  Vector3 diffuse{1, 1, 1};
  float alpha = 1;
  Vector3 materialAmbient{0, 0, 0};
  Vector3 emissive{0, 0, 0};
  Vector3 specular{0, 0, 0};
  float specularPower = 0;
  bool vertexColor = false;
  bool lighting = false;
  Vector3 ambientLight{0, 0, 0};
  std::array<DirectionalLight, 3> lights{};
  bool fog = false;
  float fogStart = 0, fogEnd = 1;
  Vector3 fogColor{0, 0, 0};
};

class ModelShader {
 public:
  // Throws std::runtime_error when the pixel stage does not compile or link.
  explicit ModelShader(std::string_view pixelSource);

  // texture: bound to slot 0 and sampled; null = untextured.
  void Apply(DeviceContext& context, const ModelShaderInputs& inputs, const Texture2D* texture) const;

 private:
  ShaderProgram program_;
  struct Locations {
    int world, worldInverseTranspose, worldViewProjection, viewZ, vertexColorEnabled, clipAdjust;
    int diffuse, materialAmbient, emissive, specular, specularPower, eyePosition;
    int lightingEnabled, ambientLight, lightDirection, lightDiffuse, lightSpecular;
    int textureEnabled, texture, fog, fogColor;
  } at_;
};

}  // namespace quela::toolkit::detail
