// CMO reader and writer: round trips, the loader rules, and malformed files built field by field
// (independently of WriteCmo).
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "expect_rejected.h"
#include "tests/support/temp_dir.h"
#include "toolkit/formats/cmo.h"

namespace quela::toolkit {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct MeshLayout {
  std::u16string name = u"mesh";
  std::uint32_t materials = 1;
  std::vector<std::array<std::uint32_t, 5>> submeshes = {{0, 0, 0, 0, 1}};
  std::vector<std::vector<std::uint16_t>> indexBuffers = {{0, 1, 2}};
  std::vector<std::uint32_t> vertexBuffers = {3};  // vertex counts
  std::vector<std::uint32_t> skinningBuffers{};    // vertex counts
  bool skeleton = false;
  std::uint32_t bones = 2, clips = 1, keyframes = 3;
  float firstX = 0.0f;  // position.x of vertex 0, to tell meshes apart
};

// Every field written by hand, with its offset recorded under a name ("mesh0.vb0.count") for patching.
struct RawCmo {
  explicit RawCmo(const std::vector<MeshLayout>& meshes) {
    Field("meshCount"), U32(static_cast<std::uint32_t>(meshes.size()));
    for (std::size_t m = 0; m < meshes.size(); ++m) Mesh("mesh" + std::to_string(m), meshes[m]);
  }
  void PatchU32(const std::string& field, std::uint32_t v) { std::memcpy(&bytes[at.at(field)], &v, 4); }
  Bytes bytes;
  std::map<std::string, std::size_t> at;

 private:
  void Field(const std::string& name) { at[name] = bytes.size(); }
  void U8(std::uint8_t v) { bytes.push_back(v); }
  void U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) U8(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void Fill(int n, std::uint32_t v) {
    for (int i = 0; i < n; ++i) U32(v);
  }
  void F32(float v) { U32(std::bit_cast<std::uint32_t>(v)); }
  void Name(const std::u16string& s) {
    U32(static_cast<std::uint32_t>(s.size()));
    for (char16_t c : s) U8(static_cast<std::uint8_t>(c & 0xFF)), U8(static_cast<std::uint8_t>(c >> 8));
  }
  // A count field named p.what, then `n` items written by `item`.
  template <typename F>
  void List(const std::string& p, const std::string& what, std::size_t n, F item) {
    Field(p + "." + what), U32(static_cast<std::uint32_t>(n));
    for (std::size_t i = 0; i < n; ++i) item(i);
  }
  void Mesh(const std::string& p, const MeshLayout& s) {
    Field(p + ".name"), Name(s.name);
    List(p, "materialCount", s.materials, [&](std::size_t) {
      Name(u"material");
      for (int f = 0; f < 33; ++f) F32(f == 7 ? 1.0f : 0.5f);  // float 7 = diffuse.w
      Name(u"lambert.dgsl.cso");
      for (int t = 0; t < 8; ++t) Name(t == 0 ? u"diffuse.dds" : u"");
    });
    U8(s.skeleton ? 1 : 0);
    List(p, "submeshCount", s.submeshes.size(), [&](std::size_t i) { for (std::uint32_t v : s.submeshes[i]) U32(v); });
    List(p, "ibCount", s.indexBuffers.size(), [&](std::size_t i) {
      List(p, "ib" + std::to_string(i) + ".count", s.indexBuffers[i].size(),
           [&](std::size_t k) { U8(s.indexBuffers[i][k] & 0xFF), U8(s.indexBuffers[i][k] >> 8); });
    });
    List(p, "vbCount", s.vertexBuffers.size(), [&](std::size_t i) {
      List(p, "vb" + std::to_string(i) + ".count", s.vertexBuffers[i], [&](std::size_t v) {
        F32(v == 0 ? s.firstX : static_cast<float>(v));
        for (int f = 1; f < 10; ++f) F32(0.25f * f);
        U8(10), U8(20), U8(30), U8(40);  // colour R, G, B, A
        F32(0.5f), F32(0.75f);
      });
    });
    List(p, "skinCount", s.skinningBuffers.size(), [&](std::size_t i) {
      List(p, "skin" + std::to_string(i) + ".count", s.skinningBuffers[i], [&](std::size_t) { Fill(8, 0xEEEEEEEE); });
    });
    for (int f = 0; f < 10; ++f) F32(static_cast<float>(f));  // extents
    if (!s.skeleton) return;
    List(p, "boneCount", s.bones, [&](std::size_t) { Name(u"bone\u00E9"), Fill(49, 0xDDDDDDDD); });
    List(p, "clipCount", s.clips, [&](std::size_t c) {
      Name(u"walk"), F32(0.0f), F32(1.0f);
      List(p, "clip" + std::to_string(c) + ".keyCount", s.keyframes, [&](std::size_t) { Fill(18, 0xCCCCCCCC); });
    });
  }
};

std::vector<CmoMesh> Read(const Bytes& b) { return ReadCmo(b, "test.cmo"); }
std::vector<CmoMesh> Read(const MeshLayout& s) { return Read(RawCmo({s}).bytes); }

CmoVertex Vertex(float x, float y, float z, std::uint32_t color) {
  return CmoVertex{{x, y, z}, {0, 0, 1}, {1, 0, 0, 1}, color, {x * 0.5f + 0.5f, 0.5f - y * 0.5f}};
}

// Several buffers and submeshes, names beyond ASCII (one outside the BMP) and a UV transform that is
// not the identity: equality shows the reader stores it without applying it. Two meshes are written
// and read back in the skeleton test.
std::vector<CmoMesh> SampleModel() {
  CmoMesh a;
  a.name = "écran courbé";
  CmoMaterial m1 = DefaultCmoMaterial(), m2 = DefaultCmoMaterial();
  m1.name = "Matériau ☃";
  m1.diffuse = {1, 0.5f, 0.25f, 0.75f};
  m1.specularPower = 16;
  m1.uvTransform = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 1, 0, 0.5f, 0.25f, 0, 1};
  m1.pixelShader = "lambert.dgsl.cso";
  m1.textures[0] = "vidéo.dds";
  m1.textures[7] = "extra 🎬.png";
  m2.name = "";
  a.materials = {m1, m2};
  a.vertexBuffers = {{Vertex(-1, -1, 0, 0xFF0000FF), Vertex(1, -1, 0, 0xFF00FF00), Vertex(1, 1, 0, 0xFFFF0000),
                      Vertex(-1, 1, 0, 0x80808080)},
                     {Vertex(0, 0, 1, 0xFFFFFFFF), Vertex(1, 0, 1, 0), Vertex(0, 1, 1, 0x01020304)}};
  a.indexBuffers = {{0, 1, 2, 0, 2, 3}, {2, 1, 0}};
  a.submeshes = {{0, 0, 0, 0, 1}, {1, 0, 0, 3, 1}, {1, 1, 1, 0, 1}, {0, 0, 0, 6, 0}};
  a.extents = {{0, 0, 0.5f}, 1.8f, {-1, -1, 0}, {1, 1, 1}};
  return {a};
}

TEST(CmoRoundTrip, ReadsBackExactlyWhatWasWrittenAlsoThroughAFile) {
  const auto model = SampleModel();
  const Bytes bytes = WriteCmo(model);
  EXPECT_EQ(Read(bytes), model);

  const test::TempDir dir;
  const auto path = dir.Write("model.cmo", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  EXPECT_EQ(ReadCmoFile(path.string()), model);
  std::filesystem::remove(path);
  test::ExpectRejected([&] { ReadCmoFile(path.string()); }, path.string(), "");
  EXPECT_THROW(ReadCmoFile(dir.path().string()), FormatError);
}

// Field order and offsets of a hand-built file; trailing bytes are ignored.
TEST(CmoReader, ReadsHandBuiltFields) {
  MeshLayout s{.firstX = 7.0f};
  RawCmo raw({s});
  raw.bytes.push_back(0x55);
  const auto meshes = Read(raw.bytes);
  ASSERT_EQ(meshes.size(), 1u);
  const CmoMesh& m = meshes[0];
  const CmoMaterial& mat = m.materials.at(0);
  EXPECT_EQ(std::tie(m.name, mat.name, mat.pixelShader, mat.textures[0], mat.textures[1]),
            std::make_tuple("mesh", "material", "lambert.dgsl.cso", "diffuse.dds", ""));
  EXPECT_EQ(std::tie(mat.diffuse[3], mat.ambient[0]), std::make_tuple(1.0f, 0.5f));
  ASSERT_EQ(m.vertexBuffers.at(0).size(), 3u);
  const CmoVertex& v = m.vertexBuffers[0][0];
  EXPECT_EQ(std::tie(v.position[0], v.normal[0], v.tangent[3], v.texcoord[1]), std::make_tuple(7.0f, 0.75f, 2.25f, 0.75f));
  EXPECT_EQ(v.color, 0x281E140Au);  // file bytes R, G, B, A
  EXPECT_EQ(m.extents.radius, 3.0f);

  s.materials = 0;  // a mesh without materials gets the default one
  EXPECT_EQ(Read(s)[0].materials, std::vector<CmoMaterial>{DefaultCmoMaterial()});
}

TEST(CmoReader, NamesFromUtf16) {
  const auto nameOf = [](std::u16string units) { MeshLayout s{.name = std::move(units)}; return Read(s)[0].name; };
  EXPECT_EQ(nameOf(std::u16string(u"abc\0\0", 5)), "abc");                        // trailing NULs stripped
  EXPECT_EQ(nameOf(std::u16string(u"a\0b\0", 4)), std::string("a\0b", 3));       // only trailing ones
  EXPECT_EQ(nameOf(std::u16string{u'x', char16_t(0xD83C), u'y'}), "x\uFFFDy");  // unpaired high
  EXPECT_EQ(nameOf(std::u16string{char16_t(0xDFAC), u'y'}), "\uFFFDy");         // unpaired low
  EXPECT_EQ(nameOf(std::u16string{u'x', char16_t(0xD83C)}), "x\uFFFD");         // high at the end
}

std::vector<MeshLayout> SkinnedThenPlain() {
  MeshLayout skinned, plain;
  skinned.name = u"skinned";
  skinned.vertexBuffers = {3, 4};
  skinned.indexBuffers = {{0, 1, 2}, {3, 2, 1}};
  skinned.submeshes = {{0, 0, 0, 0, 1}, {0, 1, 1, 0, 1}};
  skinned.skinningBuffers = {3, 4};
  skinned.skeleton = true;
  skinned.bones = 3, skinned.clips = 2, skinned.keyframes = 4;
  skinned.firstX = 1.0f;
  plain.name = u"after the skeleton";
  plain.firstX = 2.0f;
  return {skinned, plain};
}

// Skipping bones and clips is shown by the truncation test and the table's last row, which reach the
// mesh after them; here a skeleton without either.
TEST(CmoReader, SkeletonAndSkinningAreSkippedSoTheNextMeshReads) {
  auto layouts = SkinnedThenPlain();
  layouts[0].bones = layouts[0].clips = 0;
  const auto meshes = Read(RawCmo(layouts).bytes);
  ASSERT_EQ(meshes.size(), 2u);
  EXPECT_EQ(std::make_tuple(meshes[0].vertexBuffers[1].size(), meshes[0].extents.max[2]), std::make_tuple(4u, 9.0f));
  EXPECT_EQ(std::tie(meshes[1].name, meshes[1].vertexBuffers[0][0].position[0]), std::make_tuple("after the skeleton", 2.0f));
  EXPECT_EQ(Read(WriteCmo(meshes)), meshes);  // our writer drops the skeleton only
}

// Every proper prefix of a valid file (two meshes, materials, skinning and a skeleton) is rejected.
TEST(CmoMalformed, TruncatedAtEveryByte) {
  const Bytes full = RawCmo(SkinnedThenPlain()).bytes;
  ASSERT_NO_THROW(Read(full));
  for (std::size_t n = 0; n < full.size(); ++n) {
    SCOPED_TRACE(n);
    test::ExpectRejected([&] { Read(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n))); }, "test.cmo", "only");
  }
}

// One row per rule; the "huge" rows also show no allocation is sized from a count before the bytes
// for it are known to be there.
TEST(CmoMalformed, TableOfRejections) {
  const MeshLayout ok;
  const auto with = [&](auto edit) { return std::vector<MeshLayout>{[&] { MeshLayout s = ok; edit(s); return s; }()}; };
  const struct { std::vector<MeshLayout> meshes; std::vector<std::pair<std::string, std::uint32_t>> patches; const char* fault; } rows[] = {
      {{}, {}, "mesh count is 0"},
      {{ok}, {{"meshCount", 65536}}, "mesh count 65536 is over 65535"},
      {{ok}, {{"meshCount", 65535}}, "meshes: 65535 x"},
      {{ok}, {{"mesh0.name", 0xFFFFFFFF}}, "mesh 0: mesh name: 4294967295 x 2 bytes"},
      {{ok}, {{"mesh0.materialCount", 5}}, "materials: 5 x"},
      {with([](MeshLayout& s) { s.submeshes.clear(); }), {}, "submesh count is 0"},
      {{ok}, {{"mesh0.submeshCount", 0xFFFFFFFF}}, "submeshes: 4294967295 x 20"},
      {with([](MeshLayout& s) { s.indexBuffers = {{}}; }), {}, "index buffer 0: index buffer is empty"},
      {{ok}, {{"mesh0.ib0.count", 0x7FFFFFFF}}, "index buffer: 2147483647 x 2 bytes"},
      {{ok}, {{"mesh0.vb0.count", 0xFFFFFFFF}}, "vertex buffer is over 4 GiB"},
      {{ok}, {{"mesh0.vb0.count", 1000000}}, "vertex buffer: 1000000 x 52"},
      {with([](MeshLayout& s) { s.vertexBuffers = {3, 3}, s.skinningBuffers = {3}; }), {}, "skinning buffer count 1 differs from vertex buffer count 2"},
      {with([](MeshLayout& s) { s.skinningBuffers = {2}; }), {}, "skinning buffer has 2 vertices, its vertex buffer 3"},
      {with([](MeshLayout& s) { s.submeshes = {{1, 0, 0, 0, 1}}; }), {}, "submesh 0: material index 1 out of range (1 materials)"},
      {with([](MeshLayout& s) { s.submeshes = {{0, 1, 0, 0, 1}}; }), {}, "index buffer index 1 out of range"},
      {with([](MeshLayout& s) { s.submeshes = {{0, 0, 5, 0, 1}}; }), {}, "vertex buffer index 5 out of range"},
      {with([](MeshLayout& s) { s.submeshes = {{0, 0, 0, 1, 1}}; }), {}, "indices 1..4 past the end of index buffer 0"},
      // startIndex + 3 * primCount wraps in 32 bits.
      {with([](MeshLayout& s) { s.submeshes = {{0, 0, 0, 0xFFFFFFFF, 0x55555556}}; }), {}, "past the end of index buffer 0"},
      {with([](MeshLayout& s) { s.indexBuffers = {{0, 1, 3}}; }), {}, "index 3 out of range (vertex buffer 0 has 3 vertices)"},
      {with([](MeshLayout& s) { s.skeleton = true; }), {{"mesh0.clip0.keyCount", 0xFFFFFFFF}}, "mesh 0: clip 0: keyframes: 4294967295 x 72"},
      {SkinnedThenPlain(), {{"mesh1.ibCount", 0}}, "mesh 1: index buffer count is 0"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fault);
    RawCmo raw(row.meshes);
    for (const auto& [field, value] : row.patches) raw.PatchU32(field, value);
    EXPECT_LT(test::ExpectRejected([&] { Read(raw.bytes); }, "test.cmo", row.fault), std::size_t{1} << 20) << "allocated from a count";
  }
}

}  // namespace
}  // namespace quela::toolkit
