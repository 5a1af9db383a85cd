#include "toolkit/formats/cmo.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>

#include "toolkit/formats/byte_io.h"
#include "toolkit/formats/utf.h"

namespace quela::toolkit {
namespace {

using detail::ByteReader;
using detail::ByteWriter;

constexpr std::uint32_t kMaxCount = 65535;                    // meshes, materials, buffers
constexpr std::uint64_t kMaxBufferBytes = 0xFFFFFFFFull;      // 4 GiB
constexpr std::uint64_t kMaterialBytes = 132;
constexpr std::uint64_t kSubmeshBytes = 20;
constexpr std::uint64_t kVertexBytes = 52;
constexpr std::uint64_t kSkinningVertexBytes = 32;
constexpr std::uint64_t kExtentsBytes = 40;
constexpr std::uint64_t kBoneBytes = 196;
constexpr std::uint64_t kKeyframeBytes = 72;
constexpr std::uint64_t kNameMinBytes = 4;
// name, material count, skeleton flag, submesh/ib/vb/skin counts, extents.
constexpr std::uint64_t kMeshMinBytes = kNameMinBytes + 4 + 1 + 4 + 4 + 4 + 4 + kExtentsBytes;
// name, material, shader name, 8 texture names.
constexpr std::uint64_t kMaterialMinBytes = kNameMinBytes + kMaterialBytes + kNameMinBytes + 8 * kNameMinBytes;

std::string ReadName(ByteReader& in, const char* what) {
  const std::uint32_t units = in.U32(what);
  in.Require(units, 2, what);
  std::u16string text(units, u'\0');
  in.Copy(text.data(), units, 2, what);
  return detail::Utf16ToUtf8(text.data(), text.size());
}

void ReadFloats(ByteReader& in, float* out, int count, const char* what) {
  in.Copy(out, static_cast<std::uint64_t>(count), 4, what);
}

void SkipName(ByteReader& in, const char* what) {
  const std::uint32_t units = in.U32(what);
  in.Skip(units, 2, what);
}

std::uint32_t ReadCount(ByteReader& in, const char* what, bool allowZero) {
  const std::uint32_t n = in.U32(what);
  if (n == 0 && !allowZero) in.Fail(std::string(what) + " is 0");
  if (n > kMaxCount) in.Fail(std::string(what) + " " + std::to_string(n) + " is over " + std::to_string(kMaxCount));
  return n;
}

// Reads a buffer's element count and checks its size against the 4 GiB limit
// and the remaining bytes.
std::uint32_t ReadBufferLength(ByteReader& in, std::uint64_t itemBytes, const char* what) {
  const std::uint32_t n = in.U32(what);
  if (n == 0) in.Fail(std::string(what) + " is empty");
  if (n * itemBytes > kMaxBufferBytes) in.Fail(std::string(what) + " is over 4 GiB");
  in.Require(n, itemBytes, what);
  return n;
}

CmoMaterial ReadMaterial(ByteReader& in) {
  CmoMaterial m;
  m.name = ReadName(in, "material name");
  in.Require(1, kMaterialBytes, "material");
  ReadFloats(in, m.ambient.data(), 4, "ambient");
  ReadFloats(in, m.diffuse.data(), 4, "diffuse");
  ReadFloats(in, m.specular.data(), 4, "specular");
  m.specularPower = in.F32("specular power");
  ReadFloats(in, m.emissive.data(), 4, "emissive");
  ReadFloats(in, m.uvTransform.data(), 16, "UV transform");
  m.pixelShader = ReadName(in, "pixel shader name");
  for (auto& t : m.textures) t = ReadName(in, "texture name");
  return m;
}

void SkipSkeleton(ByteReader& in, const std::string& meshContext) {
  const std::uint32_t bones = in.U32("bone count");
  in.Require(bones, kNameMinBytes + kBoneBytes, "bones");
  for (std::uint32_t b = 0; b < bones; ++b) {
    in.SetContext(meshContext + ": bone " + std::to_string(b));
    SkipName(in, "bone name");
    in.Skip(1, kBoneBytes, "bone");
  }
  in.SetContext(meshContext);
  const std::uint32_t clips = in.U32("clip count");
  in.Require(clips, kNameMinBytes + 12, "clips");
  for (std::uint32_t c = 0; c < clips; ++c) {
    in.SetContext(meshContext + ": clip " + std::to_string(c));
    SkipName(in, "clip name");
    in.Skip(2, 4, "clip start and end time");
    const std::uint32_t keys = in.U32("keyframe count");
    in.Skip(keys, kKeyframeBytes, "keyframes");
  }
  in.SetContext(meshContext);
}

// The submesh rules shared by the reader and the writer; returns a fault or "".
std::string CheckSubmesh(const CmoMesh& mesh, const CmoSubmesh& s) {
  if (s.materialIndex >= mesh.materials.size()) {
    return "material index " + std::to_string(s.materialIndex) + " out of range (" +
           std::to_string(mesh.materials.size()) + " materials)";
  }
  if (s.indexBufferIndex >= mesh.indexBuffers.size()) {
    return "index buffer index " + std::to_string(s.indexBufferIndex) + " out of range (" +
           std::to_string(mesh.indexBuffers.size()) + " index buffers)";
  }
  if (s.vertexBufferIndex >= mesh.vertexBuffers.size()) {
    return "vertex buffer index " + std::to_string(s.vertexBufferIndex) + " out of range (" +
           std::to_string(mesh.vertexBuffers.size()) + " vertex buffers)";
  }
  const auto& ib = mesh.indexBuffers[s.indexBufferIndex];
  const std::uint64_t end = std::uint64_t{s.startIndex} + std::uint64_t{s.primCount} * 3;
  if (end > ib.size()) {
    return "indices " + std::to_string(s.startIndex) + ".." + std::to_string(end) +
           " past the end of index buffer " + std::to_string(s.indexBufferIndex) + " (" +
           std::to_string(ib.size()) + " indices)";
  }
  const std::size_t vertexCount = mesh.vertexBuffers[s.vertexBufferIndex].size();
  std::uint16_t highest = 0;
  for (std::size_t i = s.startIndex; i < end; ++i) highest = std::max(highest, ib[i]);
  if (end > s.startIndex && highest >= vertexCount) {
    return "index " + std::to_string(highest) + " out of range (vertex buffer " +
           std::to_string(s.vertexBufferIndex) + " has " + std::to_string(vertexCount) + " vertices)";
  }
  return {};
}

CmoMesh ReadMesh(ByteReader& in, const std::string& context) {
  CmoMesh mesh;
  in.SetContext(context);
  mesh.name = ReadName(in, "mesh name");

  const std::uint32_t materialCount = ReadCount(in, "material count", true);
  in.Require(materialCount, kMaterialMinBytes, "materials");
  mesh.materials.reserve(materialCount);
  for (std::uint32_t i = 0; i < materialCount; ++i) {
    in.SetContext(context + ": material " + std::to_string(i));
    mesh.materials.push_back(ReadMaterial(in));
  }
  in.SetContext(context);
  if (mesh.materials.empty()) mesh.materials.push_back(DefaultCmoMaterial());

  const bool hasSkeleton = in.U8("skeleton flag") != 0;

  const std::uint32_t submeshCount = in.U32("submesh count");
  if (submeshCount == 0) in.Fail("submesh count is 0");
  in.Require(submeshCount, kSubmeshBytes, "submeshes");
  mesh.submeshes.resize(submeshCount);
  static_assert(sizeof(CmoSubmesh) == kSubmeshBytes);
  in.Copy(mesh.submeshes.data(), submeshCount, kSubmeshBytes, "submeshes");

  const std::uint32_t ibCount = ReadCount(in, "index buffer count", false);
  in.Require(ibCount, 4, "index buffers");
  mesh.indexBuffers.resize(ibCount);
  for (std::uint32_t i = 0; i < ibCount; ++i) {
    in.SetContext(context + ": index buffer " + std::to_string(i));
    const std::uint32_t n = ReadBufferLength(in, 2, "index buffer");
    mesh.indexBuffers[i].resize(n);
    in.Copy(mesh.indexBuffers[i].data(), n, 2, "indices");
  }
  in.SetContext(context);

  const std::uint32_t vbCount = ReadCount(in, "vertex buffer count", false);
  in.Require(vbCount, 4, "vertex buffers");
  mesh.vertexBuffers.resize(vbCount);
  for (std::uint32_t i = 0; i < vbCount; ++i) {
    in.SetContext(context + ": vertex buffer " + std::to_string(i));
    const std::uint32_t n = ReadBufferLength(in, kVertexBytes, "vertex buffer");
    mesh.vertexBuffers[i].resize(n);
    in.Copy(mesh.vertexBuffers[i].data(), n, kVertexBytes, "vertices");
  }
  in.SetContext(context);

  const std::uint32_t skinCount = ReadCount(in, "skinning buffer count", true);
  if (skinCount != 0 && skinCount != vbCount) {
    in.Fail("skinning buffer count " + std::to_string(skinCount) + " differs from vertex buffer count " +
            std::to_string(vbCount));
  }
  for (std::uint32_t i = 0; i < skinCount; ++i) {
    in.SetContext(context + ": skinning buffer " + std::to_string(i));
    const std::uint32_t n = ReadBufferLength(in, kSkinningVertexBytes, "skinning buffer");
    if (n != mesh.vertexBuffers[i].size()) {
      in.Fail("skinning buffer has " + std::to_string(n) + " vertices, its vertex buffer " +
              std::to_string(mesh.vertexBuffers[i].size()));
    }
    in.Skip(n, kSkinningVertexBytes, "skinning vertices");
  }
  in.SetContext(context);

  ReadFloats(in, mesh.extents.center, 3, "extents");
  mesh.extents.radius = in.F32("extents");
  ReadFloats(in, mesh.extents.min, 3, "extents");
  ReadFloats(in, mesh.extents.max, 3, "extents");

  if (hasSkeleton) SkipSkeleton(in, context);

  for (std::uint32_t i = 0; i < submeshCount; ++i) {
    std::string fault = CheckSubmesh(mesh, mesh.submeshes[i]);
    if (!fault.empty()) in.Fail("submesh " + std::to_string(i) + ": " + fault);
  }
  return mesh;
}

void WriteName(ByteWriter& out, const std::string& name, const std::string& what) {
  auto units = detail::Utf8ToUtf16NoNul(name);
  if (!units) throw std::invalid_argument("WriteCmo: " + what + " is not valid UTF-8 or contains NUL");
  units->push_back(u'\0');
  out.U32(static_cast<std::uint32_t>(units->size()));
  out.Append(units->data(), units->size() * 2);
}

void WriteFloats(ByteWriter& out, const float* v, int count) { out.Append(v, static_cast<std::size_t>(count) * 4); }

void CheckCount(std::size_t n, bool allowZero, const std::string& what) {
  if (n == 0 && !allowZero) throw std::invalid_argument("WriteCmo: " + what + " is empty");
  if (n > kMaxCount) throw std::invalid_argument("WriteCmo: " + what + " count is over 65535");
}

}  // namespace

FormatError::FormatError(const std::string& sourceName, const std::string& fault)
    : std::runtime_error(sourceName + ": " + fault), sourceName_(sourceName), fault_(fault) {}

CmoMaterial DefaultCmoMaterial() {
  CmoMaterial m;
  m.name = "Default";
  m.ambient = {0.2f, 0.2f, 0.2f, 1.0f};
  m.diffuse = {0.8f, 0.8f, 0.8f, 1.0f};
  m.specular = {0.0f, 0.0f, 0.0f, 1.0f};
  m.specularPower = 1.0f;
  m.emissive = {0.0f, 0.0f, 0.0f, 1.0f};
  return m;
}

std::vector<CmoMesh> ReadCmo(std::span<const std::uint8_t> data, const std::string& sourceName) {
  ByteReader in(data, sourceName);
  const std::uint32_t meshCount = ReadCount(in, "mesh count", false);
  in.Require(meshCount, kMeshMinBytes, "meshes");
  std::vector<CmoMesh> meshes;
  meshes.reserve(meshCount);
  for (std::uint32_t i = 0; i < meshCount; ++i) meshes.push_back(ReadMesh(in, "mesh " + std::to_string(i)));
  return meshes;
}

std::vector<CmoMesh> ReadCmoFile(const std::string& path) {
  const std::vector<std::uint8_t> bytes = detail::ReadWholeFile(path);
  return ReadCmo(bytes, path);
}

std::vector<std::uint8_t> WriteCmo(const std::vector<CmoMesh>& meshes) {
  CheckCount(meshes.size(), false, "mesh list");
  std::size_t estimate = 4;
  for (const auto& mesh : meshes) {
    for (const auto& vb : mesh.vertexBuffers) estimate += 4 + vb.size() * kVertexBytes;
    for (const auto& ib : mesh.indexBuffers) estimate += 4 + ib.size() * 2;
    estimate += 512 + mesh.materials.size() * 256 + mesh.submeshes.size() * kSubmeshBytes;
  }
  ByteWriter out;
  out.Reserve(estimate);
  out.U32(static_cast<std::uint32_t>(meshes.size()));
  for (std::size_t mi = 0; mi < meshes.size(); ++mi) {
    const CmoMesh& mesh = meshes[mi];
    const std::string where = "mesh " + std::to_string(mi);
    CheckCount(mesh.materials.size(), false, where + " materials (the reader would add \"Default\")");
    CheckCount(mesh.submeshes.size(), false, where + " submeshes");
    CheckCount(mesh.indexBuffers.size(), false, where + " index buffers");
    CheckCount(mesh.vertexBuffers.size(), false, where + " vertex buffers");
    if (mesh.submeshes.size() > std::numeric_limits<std::uint32_t>::max()) {
      throw std::invalid_argument("WriteCmo: " + where + " has too many submeshes");
    }
    for (const auto& ib : mesh.indexBuffers) {
      if (ib.empty() || ib.size() * 2 > kMaxBufferBytes) throw std::invalid_argument("WriteCmo: " + where + ": index buffer empty or over 4 GiB");
    }
    for (const auto& vb : mesh.vertexBuffers) {
      if (vb.empty() || vb.size() * kVertexBytes > kMaxBufferBytes) throw std::invalid_argument("WriteCmo: " + where + ": vertex buffer empty or over 4 GiB");
    }
    for (std::size_t si = 0; si < mesh.submeshes.size(); ++si) {
      const std::string fault = CheckSubmesh(mesh, mesh.submeshes[si]);
      if (!fault.empty()) throw std::invalid_argument("WriteCmo: " + where + ": submesh " + std::to_string(si) + ": " + fault);
    }

    WriteName(out, mesh.name, where + " name");
    out.U32(static_cast<std::uint32_t>(mesh.materials.size()));
    for (const CmoMaterial& m : mesh.materials) {
      WriteName(out, m.name, where + " material name");
      WriteFloats(out, m.ambient.data(), 4);
      WriteFloats(out, m.diffuse.data(), 4);
      WriteFloats(out, m.specular.data(), 4);
      out.F32(m.specularPower);
      WriteFloats(out, m.emissive.data(), 4);
      WriteFloats(out, m.uvTransform.data(), 16);
      WriteName(out, m.pixelShader, where + " pixel shader name");
      for (const auto& t : m.textures) WriteName(out, t, where + " texture name");
    }
    out.U8(0);  // no skeleton
    out.U32(static_cast<std::uint32_t>(mesh.submeshes.size()));
    out.Append(mesh.submeshes.data(), mesh.submeshes.size() * kSubmeshBytes);
    out.U32(static_cast<std::uint32_t>(mesh.indexBuffers.size()));
    for (const auto& ib : mesh.indexBuffers) {
      out.U32(static_cast<std::uint32_t>(ib.size()));
      out.Append(ib.data(), ib.size() * 2);
    }
    out.U32(static_cast<std::uint32_t>(mesh.vertexBuffers.size()));
    for (const auto& vb : mesh.vertexBuffers) {
      out.U32(static_cast<std::uint32_t>(vb.size()));
      out.Append(vb.data(), vb.size() * kVertexBytes);
    }
    out.U32(0);  // no skinning buffers
    WriteFloats(out, mesh.extents.center, 3);
    out.F32(mesh.extents.radius);
    WriteFloats(out, mesh.extents.min, 3);
    WriteFloats(out, mesh.extents.max, 3);
  }
  return out.Take();
}

namespace detail {

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    throw FormatError(path, ec ? "cannot open the file: " + ec.message() : "cannot open the file: not a regular file");
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) throw FormatError(path, "cannot open the file: " + std::string(std::strerror(errno)));
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[1 << 16];
  std::size_t n;
  if (const auto size = std::filesystem::file_size(path, ec); !ec) bytes.reserve(static_cast<std::size_t>(size));
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) throw FormatError(path, "cannot read the file");
  return bytes;
}

}  // namespace detail
}  // namespace quela::toolkit
