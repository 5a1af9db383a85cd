// Writes a seed corpus for the fuzz targets: formats_fuzz_seeds CMO_DIR FONT_DIR.
// Every seed comes from WriteCmo / WriteSpriteFont, plus hand-patched variants
// for the parts our writers never produce (skeleton sections, skinning
// buffers, 4-bit and BC2 textures).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "toolkit/formats/cmo.h"
#include "toolkit/formats/spritefont.h"

namespace {

using namespace quela::toolkit;
using Bytes = std::vector<std::uint8_t>;

void Save(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

void PutU32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

CmoMesh Quad(const std::string& name, int materials) {
  CmoMesh m;
  m.name = name;
  for (int i = 0; i < materials; ++i) {
    CmoMaterial mat = DefaultCmoMaterial();
    mat.name = "mat" + std::to_string(i);
    mat.pixelShader = "lambert.dgsl.cso";
    mat.textures[0] = "t.dds";
    m.materials.push_back(mat);
  }
  const float p[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  std::vector<CmoVertex> vb;
  for (auto& q : p) {
    CmoVertex v{};
    v.position[0] = q[0];
    v.position[1] = q[1];
    v.normal[2] = 1;
    v.color = 0xFF8040C0u;
    v.texcoord[0] = (q[0] + 1) / 2;
    v.texcoord[1] = (1 - q[1]) / 2;
    vb.push_back(v);
  }
  m.vertexBuffers = {vb};
  m.indexBuffers = {{0, 1, 2, 0, 2, 3}};
  m.submeshes = {{0, 0, 0, 0, 1}, {static_cast<std::uint32_t>(materials - 1), 0, 0, 3, 1}};
  m.extents = {{0, 0, 0}, 1.5f, {-1, -1, 0}, {1, 1, 0}};
  return m;
}

// A two-mesh file whose first mesh carries skinning buffers and a skeleton section.
Bytes WithSkeleton(const CmoMesh& mesh) {
  Bytes b = WriteCmo({mesh});
  std::size_t tail = 1 + 4 + 20 * mesh.submeshes.size() + 4 + 4 + 4 + 40;
  for (const auto& ib : mesh.indexBuffers) tail += 4 + 2 * ib.size();
  for (const auto& vb : mesh.vertexBuffers) tail += 4 + 52 * vb.size();
  b[b.size() - tail] = 1;  // hasSkeleton
  // The writer's tail is: skin count (0), extents (40 bytes). Rebuild it.
  const std::size_t skinAt = b.size() - 40 - 4;
  Bytes extents(b.end() - 40, b.end());
  b.resize(skinAt);
  PutU32(b, 1);
  PutU32(b, static_cast<std::uint32_t>(mesh.vertexBuffers[0].size()));
  b.insert(b.end(), mesh.vertexBuffers[0].size() * 32, 0);
  b.insert(b.end(), extents.begin(), extents.end());
  PutU32(b, 1);                    // bones
  PutU32(b, 2), b.push_back('b'), b.push_back(0), b.push_back(0), b.push_back(0);
  b.insert(b.end(), 196, 0);
  PutU32(b, 1);                    // clips
  PutU32(b, 0);
  b.insert(b.end(), 8, 0);
  PutU32(b, 2);
  b.insert(b.end(), 2 * 72, 0);
  // A second mesh after the skeleton section.
  const Bytes next = WriteCmo({Quad("after", 1)});
  b.insert(b.end(), next.begin() + 4, next.end());
  b[0] = 2;
  return b;
}

SpriteFontData Font(std::uint32_t defaultCharacter) {
  SpriteFontData f;
  f.lineSpacing = 10;
  f.defaultCharacter = defaultCharacter;
  f.width = 16;
  f.height = 8;
  f.glyphs = {{' ', 0, 0, 1, 1, 0, 0, 3}, {'?', 1, 0, 5, 8, 0, 1, 1}, {'A', 5, 0, 10, 8, -1, 0, 1},
              {'B', 10, 0, 16, 8, 0, 2, 0}};
  f.rgba.resize(16 * 8 * 4);
  for (std::size_t i = 0; i < f.rgba.size(); ++i) f.rgba[i] = static_cast<std::uint8_t>(i * 7);
  return f;
}

// The same font re-encoded as format 115 or 74 (texture bytes arbitrary).
Bytes Reformat(const SpriteFontData& f, std::uint32_t format) {
  Bytes b = WriteSpriteFont(f);
  b.resize(b.size() - f.rgba.size() - 12);
  PutU32(b, format);
  const std::uint32_t stride = format == 115 ? f.width * 2 : f.width * 4;
  const std::uint32_t rows = format == 115 ? f.height : f.height / 4;
  PutU32(b, stride);
  PutU32(b, rows);
  for (std::uint32_t i = 0; i < stride * rows; ++i) b.push_back(static_cast<std::uint8_t>(i * 13 + 5));
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s CMO_DIR FONT_DIR\n", argv[0]);
    return 2;
  }
  const std::string cmo = argv[1], font = argv[2];
  Save(cmo + "/quad.cmo", WriteCmo({Quad("quad", 1)}));
  Save(cmo + "/two.cmo", WriteCmo({Quad("écran", 2), Quad("second \xF0\x9F\x8E\xAC", 1)}));
  Save(cmo + "/skeleton.cmo", WithSkeleton(Quad("skinned", 1)));
  Save(font + "/rgba.spritefont", WriteSpriteFont(Font('?')));
  Save(font + "/nodefault.spritefont", WriteSpriteFont(Font(0)));
  Save(font + "/b4g4r4a4.spritefont", Reformat(Font('?'), 115));
  Save(font + "/bc2.spritefont", Reformat(Font('?'), 74));
  return 0;
}
