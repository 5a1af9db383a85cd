#pragma once
// CMO (compiled mesh object) reader and writer, no GL: little-endian, packed,
// names as UTF-16 counts. All functions are pure and may run on any thread.
//
// The reader is bounds-checked: a malformed file raises FormatError; it never
// reads outside `data` and never allocates from a count before checking that
// the remaining bytes can hold it. It returns the file's data as stored: the
// UV transform is NOT applied (the GL toolkit applies it when uploading) and
// no bounding box is derived (the GL toolkit derives it from the extents).
// The one loader rule it applies: a mesh with 0 materials gets
// DefaultCmoMaterial(). Skinning buffers are validated and dropped; the
// skeleton section (bones, clips) is parsed and dropped.
//
// For every mesh list WriteCmo accepts, ReadCmo(WriteCmo(m)) == m and
// WriteCmo(ReadCmo(WriteCmo(m))) == WriteCmo(m), byte for byte.
#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace quela::toolkit {

// Thrown by the CMO and .spritefont loaders: a file that cannot be opened or
// read, or whose bytes break the format. what() is "<source>: <fault>", e.g.
// "Models/quad.cmo: mesh 0: submesh 1: material index 3 out of range (2 materials)".
class FormatError : public std::runtime_error {
 public:
  FormatError(const std::string& sourceName, const std::string& fault);
  const std::string& sourceName() const noexcept { return sourceName_; }
  const std::string& fault() const noexcept { return fault_; }

 private:
  std::string sourceName_;
  std::string fault_;
};

struct CmoMaterial {
  std::string name;  // UTF-8
  std::array<float, 4> ambient{};
  std::array<float, 4> diffuse{};  // w = alpha; transparent when < 1
  std::array<float, 4> specular{};
  float specularPower = 1.0f;
  std::array<float, 4> emissive{};
  // Row-major m[row * 4 + col]: u' = u*m[0] + v*m[4] + m[12], v' = u*m[1] + v*m[5] + m[13].
  std::array<float, 16> uvTransform{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  std::string pixelShader;              // UTF-8, e.g. "lambert.dgsl.cso"
  std::array<std::string, 8> textures;  // UTF-8; 0 diffuse, 1 specular, 2 normal, 3-7 extra; "" = none
  friend bool operator==(const CmoMaterial&, const CmoMaterial&) = default;
};

// Name "Default"; ambient 0.2,0.2,0.2,1; diffuse 0.8,0.8,0.8,1; specular
// 0,0,0,1; power 1; emissive 0,0,0,1; identity UV transform.
CmoMaterial DefaultCmoMaterial();

// Triangle list: indices [startIndex, startIndex + 3 * primCount) of
// indexBuffers[indexBufferIndex] into vertexBuffers[vertexBufferIndex], base vertex 0.
struct CmoSubmesh {
  uint32_t materialIndex, indexBufferIndex, vertexBufferIndex, startIndex, primCount;
  friend bool operator==(const CmoSubmesh&, const CmoSubmesh&) = default;
};

struct CmoVertex {
  float position[3];
  float normal[3];
  float tangent[4];
  uint32_t color;  // RGBA8, byte 0 = R: R in bits 0-7 ... A in bits 24-31
  float texcoord[2];
  friend bool operator==(const CmoVertex&, const CmoVertex&) = default;
};
static_assert(sizeof(CmoVertex) == 52, "CmoVertex matches the 52-byte file layout");

struct CmoExtents {
  float center[3];
  float radius;
  float min[3];
  float max[3];
  friend bool operator==(const CmoExtents&, const CmoExtents&) = default;
};

struct CmoMesh {
  std::string name;                                  // UTF-8
  std::vector<CmoMaterial> materials;                // never empty after ReadCmo
  std::vector<CmoSubmesh> submeshes;                 // never empty
  std::vector<std::vector<uint16_t>> indexBuffers;   // never empty, none empty
  std::vector<std::vector<CmoVertex>> vertexBuffers; // never empty, none empty
  CmoExtents extents{};
  friend bool operator==(const CmoMesh&, const CmoMesh&) = default;
};

// sourceName labels the bytes in errors (a file name, or e.g. "<memory>").
std::vector<CmoMesh> ReadCmo(std::span<const std::uint8_t> data, const std::string& sourceName);  // throws FormatError
std::vector<CmoMesh> ReadCmoFile(const std::string& path);  // throws FormatError (also for a missing file)

// Names are written as UTF-16LE with a terminating NUL counted in N, as the
// original content pipeline does; no skinning buffers, no skeleton. Throws
// std::invalid_argument for meshes ReadCmo would reject or change: none, a
// mesh without materials / submeshes / index or vertex buffers, an empty
// buffer, a submesh outside its buffers, an index >= vertex count, names with
// NUL or invalid UTF-8, counts over the reader's limits.
std::vector<std::uint8_t> WriteCmo(const std::vector<CmoMesh>& meshes);

}  // namespace quela::toolkit
