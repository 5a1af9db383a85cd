#include "toolkit/effect_factory.h"

#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "toolkit/basic_effect.h"
#include "toolkit/detail/texture_cache.h"
#include "toolkit/dgsl_effect.h"
#include "toolkit/formats/cmo.h"
#include "toolkit/shaders/shader_sources.h"

namespace quela::toolkit {
namespace {

void SetMaterial(MaterialEffect& effect, const EffectInfo& info) {
  effect.SetDiffuseColor(info.diffuseColor);
  effect.SetEmissiveColor(info.emissiveColor);
  effect.SetSpecularColor(info.specularColor);
  effect.SetSpecularPower(info.specularPower);
  effect.SetAlpha(info.alpha);
  effect.SetVertexColorEnabled(info.perVertexColor);
}

}  // namespace

struct DGSLEffectFactory::Shaders {
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<const std::string>> byName;
  std::shared_ptr<const std::string> builtIn = std::make_shared<const std::string>(shaders::LambertPixel());

  std::shared_ptr<const std::string> Get(const std::filesystem::path& directory, const std::string& name) {
    if (name.empty()) return builtIn;
    std::lock_guard lock(mutex);
    auto& slot = byName[name];
    if (!slot) {
      const std::filesystem::path path = detail::ResolveAssetPath(directory, name);
      std::ifstream file(path, std::ios::binary);
      std::ostringstream text;
      if (!file || !(text << file.rdbuf())) {
        byName.erase(name);
        throw FormatError(path.string(), "cannot read the shader asset");
      }
      slot = std::make_shared<const std::string>(text.str());
    }
    return slot;
  }
};

DGSLEffectFactory::DGSLEffectFactory(Device& device)
    : device_(device), textures_(std::make_unique<detail::TextureCache>()), shaders_(std::make_unique<Shaders>()) {}

DGSLEffectFactory::~DGSLEffectFactory() = default;

std::shared_ptr<IEffect> DGSLEffectFactory::CreateEffect(const EffectInfo& info, bool gammaCorrect) {
  return CreateDGSLEffect(info, gammaCorrect);
}

std::shared_ptr<DGSLEffect> DGSLEffectFactory::CreateDGSLEffect(const EffectInfo& info, bool gammaCorrect) {
  auto effect = std::make_shared<DGSLEffect>(device_, shaders_->Get(textures_->directory(), info.pixelShader));
  SetMaterial(*effect, info);
  effect->SetAmbientColor(info.ambientColor);
  if (!info.texture.empty()) effect->SetTexture(textures_->Get(info.texture, gammaCorrect));
  return effect;
}

void DGSLEffectFactory::SetDirectory(const std::filesystem::path& directory) { textures_->SetDirectory(directory); }

void DGSLEffectFactory::ReleaseCache() {
  textures_->Clear();
  std::lock_guard lock(shaders_->mutex);
  shaders_->byName.clear();
}

BasicEffectFactory::BasicEffectFactory(Device& device)
    : device_(device), textures_(std::make_unique<detail::TextureCache>()) {}

BasicEffectFactory::~BasicEffectFactory() = default;

std::shared_ptr<IEffect> BasicEffectFactory::CreateEffect(const EffectInfo& info, bool gammaCorrect) {
  auto effect = std::make_shared<BasicEffect>(device_);
  SetMaterial(*effect, info);
  effect->EnableDefaultLighting();
  if (!info.texture.empty()) {
    effect->SetTexture(textures_->Get(info.texture, gammaCorrect));
    effect->SetTextureEnabled(true);
  }
  return effect;
}

void BasicEffectFactory::SetDirectory(const std::filesystem::path& directory) { textures_->SetDirectory(directory); }

}  // namespace quela::toolkit
