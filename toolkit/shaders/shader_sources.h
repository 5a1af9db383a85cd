#pragma once
// GLSL sources compiled into the toolkit from the files beside this header.
#include <string_view>

namespace quela::toolkit::shaders {

std::string_view ModelVertex();
// The default material pixel stage; the same text the asset baker writes as
// "lambert.dgsl.cso".
std::string_view LambertPixel();
std::string_view SpriteVertex();
std::string_view SpritePixel();

}  // namespace quela::toolkit::shaders
