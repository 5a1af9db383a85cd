#include "toolkit/detail/texture_cache.h"

#include <algorithm>

#include "toolkit/detail/pending_texture.h"

namespace quela::toolkit::detail {

std::filesystem::path ResolveAssetPath(const std::filesystem::path& directory, const std::string& name) {
  std::string portable = name;
  std::replace(portable.begin(), portable.end(), '\\', '/');
  const std::filesystem::path path(portable);
  return path.is_absolute() ? path : directory / path;
}

std::shared_ptr<PendingTexture> TextureCache::Get(const std::string& name, bool srgb) {
  std::lock_guard lock(mutex_);
  auto& slot = textures_[{name, srgb}];
  if (!slot) slot = std::make_shared<PendingTexture>(ReadPngFile(ResolveAssetPath(directory_, name)), srgb);
  return slot;
}

void TextureCache::SetDirectory(const std::filesystem::path& directory) {
  std::lock_guard lock(mutex_);
  directory_ = directory;
}

std::filesystem::path TextureCache::directory() const {
  std::lock_guard lock(mutex_);
  return directory_;
}

void TextureCache::Clear() {
  std::lock_guard lock(mutex_);
  textures_.clear();
}

}  // namespace quela::toolkit::detail
