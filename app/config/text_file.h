#pragma once
// Whole-file reading for small settings and script files, bounded so that a
// huge file, a FIFO or a device never makes the program hang or run out of memory.
#include <cstddef>
#include <filesystem>
#include <string>

namespace quela {

struct TextFileResult {
  enum class Status { kOk, kMissing, kError };
  Status status = Status::kMissing;
  std::string text;   // the file's bytes, unchanged, when kOk
  std::string error;  // why it could not be read, when kError
};

// Reads a regular file of at most maxBytes; larger files, non-regular files and I/O failures give kError.
TextFileResult ReadTextFile(const std::filesystem::path& path, std::size_t maxBytes);

}  // namespace quela
