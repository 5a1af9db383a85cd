#include "toolkit/detail/model_shader.h"

#include <epoxy/gl.h>

#include "toolkit/device_context.h"
#include "toolkit/shaders/shader_sources.h"
#include "toolkit/texture.h"

namespace quela::toolkit::detail {
namespace {

void SetMatrix(int location, const Matrix& m) {
  glUniformMatrix4fv(location, 1, GL_FALSE, &m.m[0][0]);
}

void SetVector(int location, Vector3 v) { glUniform3f(location, v.x, v.y, v.z); }

}  // namespace

ModelShader::ModelShader(std::string_view pixelSource)
    : program_("material effect", shaders::ModelVertex(), pixelSource) {
  const ShaderProgram& p = program_;
  at_ = {p.Uniform("uWorld"), p.Uniform("uWorldInverseTranspose"), p.Uniform("uWorldViewProjection"),
         p.Uniform("uViewZ"), p.Uniform("uVertexColorEnabled"), p.Uniform("uClipAdjust"),
         p.Uniform("uDiffuse"), p.Uniform("uMaterialAmbient"), p.Uniform("uEmissive"),
         p.Uniform("uSpecular"), p.Uniform("uSpecularPower"), p.Uniform("uEyePosition"),
         p.Uniform("uLightingEnabled"), p.Uniform("uAmbientLight"), p.Uniform("uLightDirection"),
         p.Uniform("uLightDiffuse"), p.Uniform("uLightSpecular"), p.Uniform("uTextureEnabled"),
         p.Uniform("uTexture"), p.Uniform("uFog"), p.Uniform("uFogColor")};
}

void ModelShader::Apply(DeviceContext& context, const ModelShaderInputs& in,
                        const Texture2D* texture) const {
  context.UseProgram(program_.id());
  const Matrix worldView = in.world * in.view;
  SetMatrix(at_.world, in.world);
  SetMatrix(at_.worldInverseTranspose, in.world.Invert().Transpose());
  SetMatrix(at_.worldViewProjection, worldView * in.projection);
  glUniform4f(at_.viewZ, in.view.m[0][2], in.view.m[1][2], in.view.m[2][2], in.view.m[3][2]);
  glUniform1i(at_.vertexColorEnabled, in.vertexColor);
  const auto clip = context.ClipAdjust();
  glUniform3f(at_.clipAdjust, clip[0], clip[1], clip[2]);

  glUniform4f(at_.diffuse, in.diffuse.x, in.diffuse.y, in.diffuse.z, in.alpha);
  SetVector(at_.materialAmbient, in.materialAmbient);
  SetVector(at_.emissive, in.emissive);
  SetVector(at_.specular, in.specular);
  glUniform1f(at_.specularPower, in.specularPower);
  SetVector(at_.eyePosition, in.view.Invert().Translation());

  glUniform1i(at_.lightingEnabled, in.lighting);
  SetVector(at_.ambientLight, in.ambientLight);
  Vector3 directions[3], diffuse[3], specular[3];
  for (std::size_t i = 0; i < 3; ++i) {
    const DirectionalLight& light = in.lights[i];
    directions[i] = light.direction.Normalized();
    diffuse[i] = light.enabled ? light.diffuse : Vector3{};
    specular[i] = light.enabled ? light.specular : Vector3{};
  }
  glUniform3fv(at_.lightDirection, 3, &directions[0].x);
  glUniform3fv(at_.lightDiffuse, 3, &diffuse[0].x);
  glUniform3fv(at_.lightSpecular, 3, &specular[0].x);

  glUniform1i(at_.textureEnabled, texture != nullptr);
  glUniform1i(at_.texture, 0);
  if (texture) context.SetTexture(0, texture);
  glUniform3f(at_.fog, in.fogStart, in.fogEnd, in.fog ? 1.0f : 0.0f);
  SetVector(at_.fogColor, in.fogColor);
}

}  // namespace quela::toolkit::detail
