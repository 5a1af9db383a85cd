#pragma once
// Models loaded from CMO files: meshes of parts, each part a range of a
// triangle list drawn with one effect.
//
// Thread: CreateFromCMO runs on any thread and touches no GL (the buffers are
// uploaded by the first Draw); Draw runs on the GL thread, always through the
// same GL context (vertex arrays are not shared between contexts).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/common_states.h"
#include "toolkit/math.h"

namespace quela::toolkit {

class Device;
class DeviceContext;
class IEffect;
class IEffectFactory;
namespace detail {
struct ModelLoader;
}

struct BoundingSphere {
  Vector3 Center;
  float Radius = 0;
};

struct BoundingBox {
  Vector3 Center;
  Vector3 Extents;  // half sizes
};

class ModelMeshPart {
 public:
  std::uint32_t vertexBufferIndex = 0;
  std::uint32_t indexBufferIndex = 0;
  std::uint32_t startIndex = 0;
  std::uint32_t indexCount = 0;
  bool isAlpha = false;  // drawn after the opaque parts, blended, without depth writes
  std::shared_ptr<IEffect> effect;
};

class ModelMesh {
 public:
  ModelMesh();
  ~ModelMesh();
  ModelMesh(const ModelMesh&) = delete;
  ModelMesh& operator=(const ModelMesh&) = delete;

  std::string name;
  BoundingSphere boundingSphere;  // model space; free for callers to rewrite
  BoundingBox boundingBox;
  bool ccw = true;  // front faces wind clockwise on screen (cull counter-clockwise)
  std::vector<ModelMeshPart> meshParts;

 private:
  friend class Model;
  friend struct detail::ModelLoader;
  struct Geometry;
  std::unique_ptr<Geometry> geometry_;
};

class Model {
 public:
  Model();
  ~Model();
  Model(const Model&) = delete;
  Model& operator=(const Model&) = delete;

  // Reads a CMO file; one effect per material from the factory. Throws
  // FormatError naming the file (missing or malformed), or what the
  // factory throws for the shader and texture files the materials name.
  static std::unique_ptr<Model> CreateFromCMO(Device& device, const std::filesystem::path& path,
                                              IEffectFactory& factory, bool gammaCorrect = false);
  // The same from bytes in memory (copied). textureFolder prefixes the texture
  // names of the materials; sourceName names the bytes in errors.
  static std::unique_ptr<Model> CreateFromCMO(Device& device, const std::uint8_t* data, std::size_t size,
                                              const std::filesystem::path& textureFolder,
                                              IEffectFactory& factory, bool gammaCorrect = false,
                                              std::string_view sourceName = "<memory>");

  // Draws the opaque parts of every mesh, then the alpha parts. Per mesh it
  // sets blend, depth, rasterizer (wireframe on request) and a linear-wrap
  // sampler in slot 0; per part it sets the effect's matrices, applies it, then
  // calls setCustomState, whose states therefore win. Nothing is restored.
  void Draw(DeviceContext& context, const CommonStates& states, const Matrix& world, const Matrix& view,
            const Matrix& projection, bool wireframe = false,
            const std::function<void()>& setCustomState = {}) const;

  // Calls setEffect once for each distinct effect of the model. The set is
  // remembered: call Modified after changing which effects the parts hold.
  void UpdateEffects(const std::function<void(IEffect*)>& setEffect);
  void Modified() { effectCache_.clear(); }

  std::vector<std::unique_ptr<ModelMesh>> meshes;

 private:
  std::vector<IEffect*> effectCache_;
};

}  // namespace quela::toolkit
