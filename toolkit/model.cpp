#include "toolkit/model.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <span>
#include <utility>

#include "toolkit/detail/object_epoch.h"
#include "toolkit/device_context.h"
#include "toolkit/effect_factory.h"
#include "toolkit/effects.h"
#include "toolkit/formats/cmo.h"

namespace quela::toolkit {


// CPU copies until the first draw, then GL buffers and one vertex array per
// (vertex buffer, index buffer) pair the parts use.
struct ModelMesh::Geometry {
  std::vector<std::vector<CmoVertex>> vertices;
  std::vector<std::vector<std::uint16_t>> indices;
  std::vector<GLuint> vertexBuffers, indexBuffers;
  std::map<std::pair<std::uint32_t, std::uint32_t>, GLuint> vertexArrays;
  bool uploaded = false;

  ~Geometry() {
    for (auto& [key, vao] : vertexArrays) glDeleteVertexArrays(1, &vao);
    if (!vertexBuffers.empty()) glDeleteBuffers(static_cast<GLsizei>(vertexBuffers.size()), vertexBuffers.data());
    if (!indexBuffers.empty()) glDeleteBuffers(static_cast<GLsizei>(indexBuffers.size()), indexBuffers.data());
  }

  void Upload(DeviceContext& context, const std::vector<ModelMeshPart>& parts) {
    vertexBuffers.resize(vertices.size());
    glGenBuffers(static_cast<GLsizei>(vertexBuffers.size()), vertexBuffers.data());
    for (std::size_t i = 0; i < vertices.size(); ++i) {
      glBindBuffer(GL_ARRAY_BUFFER, vertexBuffers[i]);
      glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices[i].size() * sizeof(CmoVertex)),
                   vertices[i].data(), GL_STATIC_DRAW);
    }
    indexBuffers.resize(indices.size());
    glGenBuffers(static_cast<GLsizei>(indexBuffers.size()), indexBuffers.data());
    for (std::size_t i = 0; i < indices.size(); ++i) {
      // Not through GL_ELEMENT_ARRAY_BUFFER: that binding belongs to whichever
      // vertex array is bound.
      glBindBuffer(GL_COPY_WRITE_BUFFER, indexBuffers[i]);
      glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(indices[i].size() * sizeof(std::uint16_t)),
                   indices[i].data(), GL_STATIC_DRAW);
    }
    for (const ModelMeshPart& part : parts) {
      const auto key = std::make_pair(part.vertexBufferIndex, part.indexBufferIndex);
      if (vertexArrays.count(key)) continue;
      GLuint vao = 0;
      glGenVertexArrays(1, &vao);
      detail::NoteObjectCreated();
      vertexArrays[key] = vao;
      context.BindVertexArray(vao);
      glBindBuffer(GL_ARRAY_BUFFER, vertexBuffers[part.vertexBufferIndex]);
      constexpr GLsizei stride = sizeof(CmoVertex);
      glEnableVertexAttribArray(0);
      glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(CmoVertex, position)));
      glEnableVertexAttribArray(1);
      glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(CmoVertex, normal)));
      glEnableVertexAttribArray(2);
      glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, reinterpret_cast<void*>(offsetof(CmoVertex, color)));
      glEnableVertexAttribArray(3);
      glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(CmoVertex, texcoord)));
      glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffers[part.indexBufferIndex]);
    }
    vertices = {};
    indices = {};
    uploaded = true;
  }
};

ModelMesh::ModelMesh() = default;
ModelMesh::~ModelMesh() = default;
Model::Model() = default;
Model::~Model() = default;

namespace {

bool IsIdentity(const std::array<float, 16>& m) { return m == CmoMaterial{}.uvTransform; }

// Each vertex takes the UV transform of the first part's material that uses
// it, once, however many parts share the vertex buffer.
void ApplyUvTransforms(const CmoMesh& source, std::vector<std::vector<CmoVertex>>& vertices) {
  std::vector<std::vector<bool>> done(vertices.size());
  for (std::size_t i = 0; i < vertices.size(); ++i) done[i].assign(vertices[i].size(), false);
  for (const CmoSubmesh& sm : source.submeshes) {
    const std::array<float, 16>& m = source.materials[sm.materialIndex].uvTransform;
    auto& vb = vertices[sm.vertexBufferIndex];
    auto& seen = done[sm.vertexBufferIndex];
    const auto& ib = source.indexBuffers[sm.indexBufferIndex];
    const std::size_t end = std::size_t{sm.startIndex} + std::size_t{sm.primCount} * 3;
    for (std::size_t k = sm.startIndex; k < end; ++k) {
      const std::uint16_t index = ib[k];
      if (seen[index]) continue;
      seen[index] = true;
      if (IsIdentity(m)) continue;
      float* uv = vb[index].texcoord;
      const float u = uv[0], v = uv[1];
      uv[0] = u * m[0] + v * m[4] + m[12];
      uv[1] = u * m[1] + v * m[5] + m[13];
    }
  }
}

Vector3 ToVector(const float (&v)[3]) { return {v[0], v[1], v[2]}; }
Vector3 Rgb(const std::array<float, 4>& c) { return {c[0], c[1], c[2]}; }

}  // namespace

struct detail::ModelLoader {
  static std::unique_ptr<Model> Build(std::vector<CmoMesh>&& cmo, const std::filesystem::path& textureFolder,
                                      IEffectFactory& factory, bool gammaCorrect);
};

std::unique_ptr<Model> detail::ModelLoader::Build(std::vector<CmoMesh>&& cmo, const std::filesystem::path& textureFolder,
                                                  IEffectFactory& factory, bool gammaCorrect) {
  auto model = std::make_unique<Model>();
  for (CmoMesh& source : cmo) {
    auto mesh = std::make_unique<ModelMesh>();
    mesh->name = source.name;
    const CmoExtents& e = source.extents;
    mesh->boundingSphere = {ToVector(e.center), e.radius};
    const Vector3 lo = ToVector(e.min), hi = ToVector(e.max);
    mesh->boundingBox = {(lo + hi) * 0.5f,
                         {std::abs(hi.x - lo.x) * 0.5f, std::abs(hi.y - lo.y) * 0.5f, std::abs(hi.z - lo.z) * 0.5f}};

    std::vector<std::shared_ptr<IEffect>> effects;
    for (const CmoMaterial& m : source.materials) {
      EffectInfo info;
      info.name = m.name;
      info.perVertexColor = true;
      info.specularPower = m.specularPower;
      info.alpha = m.diffuse[3];
      info.ambientColor = Rgb(m.ambient);
      info.diffuseColor = Rgb(m.diffuse);
      info.specularColor = Rgb(m.specular);
      info.emissiveColor = Rgb(m.emissive);
      if (!m.textures[0].empty())
        info.texture = textureFolder.empty() ? m.textures[0] : (textureFolder / m.textures[0]).string();
      info.pixelShader = m.pixelShader;
      effects.push_back(factory.CreateEffect(info, gammaCorrect));
    }
    for (const CmoSubmesh& sm : source.submeshes) {
      ModelMeshPart part;
      part.vertexBufferIndex = sm.vertexBufferIndex;
      part.indexBufferIndex = sm.indexBufferIndex;
      part.startIndex = sm.startIndex;
      part.indexCount = sm.primCount * 3;
      part.isAlpha = source.materials[sm.materialIndex].diffuse[3] < 1.0f;
      part.effect = effects[sm.materialIndex];
      mesh->meshParts.push_back(std::move(part));
    }
    mesh->geometry_ = std::make_unique<ModelMesh::Geometry>();
    ApplyUvTransforms(source, source.vertexBuffers);
    mesh->geometry_->vertices = std::move(source.vertexBuffers);
    mesh->geometry_->indices = std::move(source.indexBuffers);
    model->meshes.push_back(std::move(mesh));
  }
  return model;
}

std::unique_ptr<Model> Model::CreateFromCMO(Device&, const std::filesystem::path& path, IEffectFactory& factory,
                                            bool gammaCorrect) {
  return detail::ModelLoader::Build(ReadCmoFile(path.string()), {}, factory, gammaCorrect);
}

std::unique_ptr<Model> Model::CreateFromCMO(Device&, const std::uint8_t* data, std::size_t size,
                                            const std::filesystem::path& textureFolder, IEffectFactory& factory,
                                            bool gammaCorrect, std::string_view sourceName) {
  return detail::ModelLoader::Build(ReadCmo(std::span(data, size), std::string(sourceName)), textureFolder, factory, gammaCorrect);
}

void Model::Draw(DeviceContext& context, const CommonStates& states, const Matrix& world, const Matrix& view,
                 const Matrix& projection, bool wireframe, const std::function<void()>& setCustomState) const {
  for (const bool alphaPass : {false, true}) {
    for (const auto& mesh : meshes) {
      const auto& parts = mesh->meshParts;
      if (std::none_of(parts.begin(), parts.end(), [&](const ModelMeshPart& p) { return p.isAlpha == alphaPass; }))
        continue;
      ModelMesh::Geometry& geometry = *mesh->geometry_;
      if (!geometry.uploaded) geometry.Upload(context, parts);
      context.SetBlendState(alphaPass ? states.AlphaBlend() : states.Opaque());
      context.SetDepthStencilState(alphaPass ? states.DepthRead() : states.DepthDefault());
      context.SetRasterizerState(wireframe   ? states.Wireframe()
                                 : mesh->ccw ? states.CullCounterClockwise()
                                             : states.CullClockwise());
      context.SetSamplerState(0, states.LinearWrap());
      for (const ModelMeshPart& part : parts) {
        if (part.isAlpha != alphaPass || !part.effect) continue;
        if (auto* matrices = dynamic_cast<IEffectMatrices*>(part.effect.get()))
          matrices->SetMatrices(world, view, projection);
        part.effect->Apply(context);
        if (setCustomState) setCustomState();
        context.BindVertexArray(geometry.vertexArrays.at({part.vertexBufferIndex, part.indexBufferIndex}));
        context.PrepareDraw();
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(part.indexCount), GL_UNSIGNED_SHORT,
                       reinterpret_cast<void*>(std::uintptr_t{part.startIndex} * sizeof(std::uint16_t)));
      }
    }
  }
}

void Model::UpdateEffects(const std::function<void(IEffect*)>& setEffect) {
  if (effectCache_.empty()) {
    for (const auto& mesh : meshes)
      for (const ModelMeshPart& part : mesh->meshParts)
        if (part.effect && std::find(effectCache_.begin(), effectCache_.end(), part.effect.get()) == effectCache_.end())
          effectCache_.push_back(part.effect.get());
  }
  for (IEffect* effect : effectCache_) setEffect(effect);
}

}  // namespace quela::toolkit
