#pragma once
// Texture files by name for the effect factories: decoded once, shared by the
// effects that name them. Thread-safe; no GL.
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace quela::toolkit::detail {

class PendingTexture;

// A name from a model file, with either slash as separator, under `directory`
// unless absolute.
std::filesystem::path ResolveAssetPath(const std::filesystem::path& directory, const std::string& name);

class TextureCache {
 public:
  // Throws FormatError naming a missing or unreadable file.
  std::shared_ptr<PendingTexture> Get(const std::string& name, bool srgb);
  void SetDirectory(const std::filesystem::path& directory);
  std::filesystem::path directory() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::filesystem::path directory_;
  std::map<std::pair<std::string, bool>, std::shared_ptr<PendingTexture>> textures_;
};

}  // namespace quela::toolkit::detail
