#pragma once
// Private to toolkit/formats: a bounds-checked little-endian read cursor, an
// appending little-endian writer, and the whole-file read the loaders share.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "toolkit/formats/cmo.h"  // FormatError

namespace quela::toolkit::detail {

static_assert(std::endian::native == std::endian::little,
              "the readers copy little-endian arrays directly into memory");

// Every read checks the remaining bytes first and throws FormatError naming
// the source, the current context (e.g. "mesh 0: material 2"), the field and
// the offset. Not thread-safe; one cursor per parse.
class ByteReader {
 public:
  ByteReader(std::span<const std::uint8_t> data, const std::string& sourceName)
      : data_(data), sourceName_(sourceName) {}

  std::size_t offset() const { return offset_; }
  std::size_t remaining() const { return data_.size() - offset_; }
  // The prefix of every fault message until changed.
  void SetContext(std::string context) { context_ = std::move(context); }

  // Throws unless `count` items of `itemBytes` each fit in the remaining bytes
  // (computed without overflow). Call before allocating from a count.
  void Require(std::uint64_t count, std::uint64_t itemBytes, const char* what) const {
    if (itemBytes != 0 && count > remaining() / itemBytes) {
      const std::string size = itemBytes == 1 ? std::to_string(count)
                                              : std::to_string(count) + " x " + std::to_string(itemBytes);
      Fail(std::string(what) + ": " + size + " bytes needed at offset " + std::to_string(offset_) +
           ", only " + std::to_string(remaining()) + " left");
    }
  }

  std::uint8_t U8(const char* what) {
    Require(1, 1, what);
    return data_[offset_++];
  }
  std::uint32_t U32(const char* what) {
    Require(1, 4, what);
    std::uint32_t v;
    std::memcpy(&v, data_.data() + offset_, 4);
    offset_ += 4;
    return v;
  }
  std::int32_t I32(const char* what) { return static_cast<std::int32_t>(U32(what)); }
  float F32(const char* what) { return std::bit_cast<float>(U32(what)); }
  float FiniteF32(const char* what) {
    float v = F32(what);
    if (!std::isfinite(v)) Fail(std::string(what) + ": not a finite number");
    return v;
  }
  // Copies count * itemBytes bytes (checked first) into dst.
  void Copy(void* dst, std::uint64_t count, std::uint64_t itemBytes, const char* what) {
    Require(count, itemBytes, what);
    const std::size_t n = static_cast<std::size_t>(count * itemBytes);
    if (n != 0) std::memcpy(dst, data_.data() + offset_, n);
    offset_ += n;
  }
  void Skip(std::uint64_t count, std::uint64_t itemBytes, const char* what) {
    Require(count, itemBytes, what);
    offset_ += static_cast<std::size_t>(count * itemBytes);
  }
  // The next n bytes (checked), advancing past them.
  std::span<const std::uint8_t> Bytes(std::uint64_t n, const char* what) {
    Require(n, 1, what);
    auto out = data_.subspan(offset_, static_cast<std::size_t>(n));
    offset_ += static_cast<std::size_t>(n);
    return out;
  }

  [[noreturn]] void Fail(const std::string& fault) const {
    throw FormatError(sourceName_, context_.empty() ? fault : context_ + ": " + fault);
  }

 private:
  std::span<const std::uint8_t> data_;
  const std::string& sourceName_;
  std::string context_;
  std::size_t offset_ = 0;
};

class ByteWriter {
 public:
  void U8(std::uint8_t v) { out_.push_back(v); }
  void U32(std::uint32_t v) {
    const std::size_t at = out_.size();
    out_.resize(at + 4);
    std::memcpy(out_.data() + at, &v, 4);
  }
  void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
  void F32(float v) { U32(std::bit_cast<std::uint32_t>(v)); }
  void Append(const void* src, std::size_t n) {
    const std::size_t at = out_.size();
    out_.resize(at + n);
    if (n != 0) std::memcpy(out_.data() + at, src, n);
  }
  void Reserve(std::size_t n) { out_.reserve(n); }
  std::vector<std::uint8_t> Take() { return std::move(out_); }

 private:
  std::vector<std::uint8_t> out_;
};

// The whole file; FormatError(path, "cannot open: ...") when it cannot be read.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

}  // namespace quela::toolkit::detail
