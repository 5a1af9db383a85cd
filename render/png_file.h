#pragma once
// PNG files of RGBA images, for screenshots.
#include <cstdint>
#include <string>
#include <vector>

namespace quela {

// rgba: width * height * 4 bytes, top row first. False when the file cannot be written.
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgba);
// Reads an 8-bit RGBA/RGB PNG into top-row-first RGBA; false on any fault.
bool ReadPng(const std::string& path, int& width, int& height, std::vector<std::uint8_t>& rgba);

}  // namespace quela
