#pragma once
// Every file the baker writes, as a list of named outputs: a path relative to
// the run folder and the function that makes its bytes. A new asset is one
// more entry in AssetRecipes().
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quela::tools {

struct BakerInputs {
  std::filesystem::path lambertSource;  // the GLSL text shipped as "lambert.dgsl.cso"
  std::filesystem::path italicFace;     // the oblique face "italic.spritefont" is rendered from
};

struct AssetRecipe {
  std::string path;  // relative to the run folder, '/' separated
  std::function<std::vector<std::uint8_t>()> bake;  // throws std::exception with a clear message
};

std::vector<AssetRecipe> AssetRecipes(const BakerInputs& inputs);

}  // namespace quela::tools
