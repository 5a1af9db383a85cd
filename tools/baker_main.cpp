// quela_baker OUTPUT_DIR LAMBERT_SOURCE ITALIC_FACE
// Writes every generated asset under OUTPUT_DIR. All assets are made before
// any is written, and each file is replaced whole, so a failed run leaves
// the previous assets intact.
#include <cstdio>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <stdexcept>
#include <utility>
#include <vector>

#include "tools/asset_recipes.h"

namespace {

void WriteReplacing(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::filesystem::path partial = file;
  partial += ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + partial.string());
  }
  std::filesystem::rename(partial, file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: quela_baker OUTPUT_DIR LAMBERT_SOURCE ITALIC_FACE\n");
    return 2;
  }
  const std::filesystem::path outputDir = argv[1];
  try {
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> baked;
    for (const auto& recipe : quela::tools::AssetRecipes({argv[2], argv[3]})) {
      try {
        baked.emplace_back(recipe.path, recipe.bake());
      } catch (const std::exception& e) {
        throw std::runtime_error(recipe.path + ": " + e.what());
      }
    }
    for (const auto& [path, bytes] : baked) WriteReplacing(outputDir / path, bytes);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quela_baker: %s\n", e.what());
    return 1;
  }
  return 0;
}
