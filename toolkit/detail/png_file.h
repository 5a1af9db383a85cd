#pragma once
// PNG decoding for effect textures (no GL; any thread).
#include <cstdint>
#include <filesystem>
#include <vector>

namespace quela::toolkit::detail {

struct Image {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;  // width * height * 4, top row first
};

// Throws FormatError naming the file when it is missing or not a PNG.
Image ReadPngFile(const std::filesystem::path& path);

}  // namespace quela::toolkit::detail
