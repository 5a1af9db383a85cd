#pragma once
// Effect factories: effects for model materials, with their shader assets and
// textures read from a directory and cached by name.
//
// Thread: CreateEffect may run on any thread (a loading thread included) and
// touches no GL; the effects upload their textures on first use.
#include <filesystem>
#include <memory>
#include <string>

#include "toolkit/math.h"

namespace quela::toolkit {

class Device;
class DGSLEffect;
class IEffect;
namespace detail {
class TextureCache;
}

struct EffectInfo {
  std::string name;
  bool perVertexColor = false;
  bool enableSkinning = false;     // skinning is not drawn; accepted and ignored
  bool enableDualTexture = false;  // second texture not drawn; accepted and ignored
  float specularPower = 0;         // 0 = no highlight
  float alpha = 1;
  Vector3 ambientColor{0, 0, 0};
  Vector3 diffuseColor{1, 1, 1};
  Vector3 specularColor{0, 0, 0};
  Vector3 emissiveColor{0, 0, 0};
  // PNG file name, relative to the factory's directory unless absolute; "" = none.
  std::string texture;
  // Shader asset name ("lambert.dgsl.cso"), relative to the directory; "" =
  // the built-in Lambert stage. Ignored by the basic factory.
  std::string pixelShader;
};

class IEffectFactory {
 public:
  virtual ~IEffectFactory() = default;
  // gammaCorrect: textures hold sRGB-encoded texels. Throws
  // FormatError naming a file that is missing or unreadable.
  virtual std::shared_ptr<IEffect> CreateEffect(const EffectInfo& info, bool gammaCorrect) = 0;
};

// Makes DGSLEffects; pixel stages come from shader assets.
class DGSLEffectFactory final : public IEffectFactory {
 public:
  // Keeps the device for the effects it makes. Directory: the working directory.
  explicit DGSLEffectFactory(Device& device);
  ~DGSLEffectFactory() override;
  DGSLEffectFactory(const DGSLEffectFactory&) = delete;
  DGSLEffectFactory& operator=(const DGSLEffectFactory&) = delete;

  std::shared_ptr<IEffect> CreateEffect(const EffectInfo& info, bool gammaCorrect) override;
  std::shared_ptr<DGSLEffect> CreateDGSLEffect(const EffectInfo& info, bool gammaCorrect);

  // Where shader assets and relative texture names are found.
  void SetDirectory(const std::filesystem::path& directory);
  // Forget cached shader texts and textures (effects keep what they hold).
  void ReleaseCache();

 private:
  struct Shaders;
  Device& device_;
  std::unique_ptr<detail::TextureCache> textures_;
  std::unique_ptr<Shaders> shaders_;
};

// Makes BasicEffects: lighting on with the default rig, vertex colour as asked.
class BasicEffectFactory final : public IEffectFactory {
 public:
  explicit BasicEffectFactory(Device& device);
  ~BasicEffectFactory() override;
  BasicEffectFactory(const BasicEffectFactory&) = delete;
  BasicEffectFactory& operator=(const BasicEffectFactory&) = delete;

  std::shared_ptr<IEffect> CreateEffect(const EffectInfo& info, bool gammaCorrect) override;
  void SetDirectory(const std::filesystem::path& directory);

 private:
  Device& device_;
  std::unique_ptr<detail::TextureCache> textures_;
};

}  // namespace quela::toolkit
