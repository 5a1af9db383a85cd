#include "tools/asset_recipes.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "toolkit/formats/cmo.h"
#include "toolkit/formats/spritefont.h"
#include "toolkit/formats/font_rasterizer.h"
#include "tools/gui_models.h"
#include "tools/screen_models.h"

namespace quela::tools {
namespace {

// The statistics text: two lines drawn from (300, 900) in an eye viewport
// about 1182 pixels wide, the longer about 40 characters; at 32 pixels a
// line stays inside the viewport. The GUI's one-line text textures are 100
// texels high, so a 37-pixel line fits with room to spare.
constexpr int kItalicPixelSize = 32;

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path, const std::string& purpose) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string() + " (" + purpose + ")");
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ModelPath(std::string_view fileName) { return "Models/" + std::string(fileName); }

}  // namespace

std::vector<AssetRecipe> AssetRecipes(const BakerInputs& inputs) {
  std::vector<AssetRecipe> recipes;
  for (const ScreenModelInfo& screen : kScreenModels)
    recipes.push_back({ModelPath(screen.fileName), [type = screen.type] { return toolkit::WriteCmo(BuildScreenModel(type)); }});
  for (const GuiModelInfo& part : kGuiModels)
    recipes.push_back({ModelPath(part.fileName), [model = part.model] { return toolkit::WriteCmo(BuildGuiModel(model)); }});
  recipes.push_back({"italic.spritefont", [face = inputs.italicFace] {
                       toolkit::FontBakeSettings settings;
                       settings.faceFile = face;
                       settings.pixelSize = kItalicPixelSize;
                       return toolkit::WriteSpriteFont(toolkit::BakeSpriteFont(settings));
                     }});
  recipes.push_back({"lambert.dgsl.cso", [source = inputs.lambertSource] {
                       return ReadWholeFile(source, "the Lambert pixel stage shipped as lambert.dgsl.cso");
                     }});
  return recipes;
}

}  // namespace quela::tools
