#pragma once
// PNG files: effect textures in, screenshots out (no GL; any thread).
#include <cstdint>
#include <filesystem>
#include <vector>

namespace quela::toolkit {

struct Image {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;  // width * height * 4, top row first
};

// Throws FormatError naming the file when it is missing or not a PNG.
Image ReadPngFile(const std::filesystem::path& path);
// False when the file cannot be written or the image's size does not match its pixels.
bool WritePngFile(const std::filesystem::path& path, const Image& image);

}  // namespace quela::toolkit
