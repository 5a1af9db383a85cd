#include "toolkit/png_file.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "toolkit/formats/cmo.h"

namespace quela::toolkit {
namespace {

constexpr png_uint_32 kMaxSide = 16384;  // the largest texture GL promises

}  // namespace

Image ReadPngFile(const std::filesystem::path& path) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str()))
    throw FormatError(path.string(), png.message);
  if (png.width > kMaxSide || png.height > kMaxSide) {
    png_image_free(&png);
    throw FormatError(path.string(), "image larger than " + std::to_string(kMaxSide) + " pixels");
  }
  png.format = PNG_FORMAT_RGBA;
  Image image;
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  image.rgba.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) {
    const std::string message = png.message;
    png_image_free(&png);
    throw FormatError(path.string(), message);
  }
  return image;
}

bool WritePngFile(const std::filesystem::path& path, const Image& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.rgba.size() != static_cast<std::size_t>(image.width) * image.height * 4)
    return false;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGBA;
  const bool written = png_image_write_to_stdio(&png, file, 0, image.rgba.data(), 0, nullptr) != 0;
  png_image_free(&png);
  return std::fclose(file) == 0 && written;
}

}  // namespace quela::toolkit
