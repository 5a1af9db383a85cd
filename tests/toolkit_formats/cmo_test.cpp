// CMO reader and writer: round trips, the loader rules, and a table of
// malformed files built field by field (independently of WriteCmo).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "allocation_probe.h"
#include "tests/support/temp_dir.h"
#include "toolkit/formats/cmo.h"

namespace quela::toolkit {
namespace {

using Bytes = std::vector<std::uint8_t>;

// ---------------------------------------------------------------------------
// A raw CMO encoder for hostile files: every field is written by hand and its
// offset recorded under a name ("mesh0.vb0.count"), so rows can patch it.

struct MeshSpec {
  std::u16string name = u"mesh";
  std::uint32_t materials = 1;
  std::vector<std::array<std::uint32_t, 5>> submeshes = {{0, 0, 0, 0, 1}};
  std::vector<std::vector<std::uint16_t>> indexBuffers = {{0, 1, 2}};
  std::vector<std::uint32_t> vertexBuffers = {3};  // vertex counts
  std::vector<std::uint32_t> skinningBuffers;      // vertex counts
  bool skeleton = false;
  std::uint32_t bones = 2;
  std::uint32_t clips = 1;
  std::uint32_t keyframes = 3;
  float firstX = 0.0f;  // position.x of vertex 0, to tell meshes apart
};

class RawCmo {
 public:
  explicit RawCmo(const std::vector<MeshSpec>& meshes) {
    Field("meshCount");
    U32(static_cast<std::uint32_t>(meshes.size()));
    for (std::size_t m = 0; m < meshes.size(); ++m) Mesh("mesh" + std::to_string(m), meshes[m]);
  }
  Bytes bytes;
  std::map<std::string, std::size_t> at;

  void PatchU32(const std::string& field, std::uint32_t v) {
    std::memcpy(bytes.data() + at.at(field), &v, 4);
  }

 private:
  void Field(const std::string& name) { at[name] = bytes.size(); }
  void U8(std::uint8_t v) { bytes.push_back(v); }
  void U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void F32(float v) {
    std::uint32_t u;
    std::memcpy(&u, &v, 4);
    U32(u);
  }
  void Name(const std::u16string& s) {
    U32(static_cast<std::uint32_t>(s.size()));
    for (char16_t c : s) {
      U8(static_cast<std::uint8_t>(c & 0xFF));
      U8(static_cast<std::uint8_t>(c >> 8));
    }
  }
  void Mesh(const std::string& p, const MeshSpec& s) {
    Field(p + ".name");
    Name(s.name);
    Field(p + ".materialCount");
    U32(s.materials);
    for (std::uint32_t i = 0; i < s.materials; ++i) {
      Field(p + ".material" + std::to_string(i));
      Name(u"material");
      for (int f = 0; f < 33; ++f) F32(f == 7 ? 1.0f : 0.5f);  // float 7 = diffuse.w
      Name(u"lambert.dgsl.cso");
      for (int t = 0; t < 8; ++t) Name(t == 0 ? u"diffuse.dds" : u"");
    }
    Field(p + ".hasSkeleton");
    U8(s.skeleton ? 1 : 0);
    Field(p + ".submeshCount");
    U32(static_cast<std::uint32_t>(s.submeshes.size()));
    for (std::size_t i = 0; i < s.submeshes.size(); ++i) {
      Field(p + ".submesh" + std::to_string(i));
      for (std::uint32_t v : s.submeshes[i]) U32(v);
    }
    Field(p + ".ibCount");
    U32(static_cast<std::uint32_t>(s.indexBuffers.size()));
    for (std::size_t i = 0; i < s.indexBuffers.size(); ++i) {
      Field(p + ".ib" + std::to_string(i) + ".count");
      U32(static_cast<std::uint32_t>(s.indexBuffers[i].size()));
      for (std::uint16_t v : s.indexBuffers[i]) U8(v & 0xFF), U8(v >> 8);
    }
    Field(p + ".vbCount");
    U32(static_cast<std::uint32_t>(s.vertexBuffers.size()));
    for (std::size_t i = 0; i < s.vertexBuffers.size(); ++i) {
      Field(p + ".vb" + std::to_string(i) + ".count");
      U32(s.vertexBuffers[i]);
      for (std::uint32_t v = 0; v < s.vertexBuffers[i]; ++v) {
        F32(v == 0 ? s.firstX : static_cast<float>(v));
        for (int f = 1; f < 10; ++f) F32(0.25f * f);
        U8(10), U8(20), U8(30), U8(40);  // colour R, G, B, A
        F32(0.5f), F32(0.75f);
      }
    }
    Field(p + ".skinCount");
    U32(static_cast<std::uint32_t>(s.skinningBuffers.size()));
    for (std::size_t i = 0; i < s.skinningBuffers.size(); ++i) {
      Field(p + ".skin" + std::to_string(i) + ".count");
      U32(s.skinningBuffers[i]);
      for (std::uint32_t v = 0; v < s.skinningBuffers[i] * 8; ++v) U32(0xEEEEEEEE);
    }
    Field(p + ".extents");
    for (int f = 0; f < 10; ++f) F32(static_cast<float>(f));
    if (!s.skeleton) return;
    Field(p + ".boneCount");
    U32(s.bones);
    for (std::uint32_t b = 0; b < s.bones; ++b) {
      Name(u"bone\u00E9");
      for (int i = 0; i < 49; ++i) U32(0xDDDDDDDD);
    }
    Field(p + ".clipCount");
    U32(s.clips);
    for (std::uint32_t c = 0; c < s.clips; ++c) {
      Name(u"walk");
      F32(0.0f), F32(1.0f);
      Field(p + ".clip" + std::to_string(c) + ".keyCount");
      U32(s.keyframes);
      for (std::uint32_t k = 0; k < s.keyframes * 18; ++k) U32(0xCCCCCCCC);
    }
  }
};

std::vector<CmoMesh> Read(const Bytes& b) { return ReadCmo(b, "test.cmo"); }

// Expects a FormatError whose message names the source and contains `fault`.
void ExpectRejected(const Bytes& b, const std::string& fault) {
  try {
    Read(b);
    ADD_FAILURE() << "accepted; expected: " << fault;
  } catch (const FormatError& e) {
    EXPECT_EQ(e.sourceName(), "test.cmo");
    EXPECT_EQ(std::string(e.what()).rfind("test.cmo: ", 0), 0u) << e.what();
    EXPECT_NE(std::string(e.what()).find(fault), std::string::npos) << e.what() << "\n  expected: " << fault;
  }
}

// ---------------------------------------------------------------------------
// Models built through the API.

CmoVertex Vertex(float x, float y, float z, std::uint32_t color) {
  CmoVertex v{};
  v.position[0] = x, v.position[1] = y, v.position[2] = z;
  v.normal[2] = 1;
  v.tangent[0] = 1, v.tangent[3] = 1;
  v.color = color;
  v.texcoord[0] = x * 0.5f + 0.5f, v.texcoord[1] = 0.5f - y * 0.5f;
  return v;
}

std::vector<CmoMesh> SampleModel() {
  CmoMesh a;
  a.name = "écran courbé";
  CmoMaterial m1 = DefaultCmoMaterial();
  m1.name = "Matériau ☃";
  m1.diffuse = {1, 0.5f, 0.25f, 0.75f};
  m1.specularPower = 16;
  m1.uvTransform = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 1, 0, 0.5f, 0.25f, 0, 1};
  m1.pixelShader = "lambert.dgsl.cso";
  m1.textures[0] = "vidéo.dds";
  m1.textures[7] = "extra 🎬.png";  // outside the BMP: a surrogate pair in UTF-16
  CmoMaterial m2 = DefaultCmoMaterial();
  m2.name = "";
  a.materials = {m1, m2};
  a.vertexBuffers = {{Vertex(-1, -1, 0, 0xFF0000FF), Vertex(1, -1, 0, 0xFF00FF00), Vertex(1, 1, 0, 0xFFFF0000),
                      Vertex(-1, 1, 0, 0x80808080)},
                     {Vertex(0, 0, 1, 0xFFFFFFFF), Vertex(1, 0, 1, 0), Vertex(0, 1, 1, 0x01020304)}};
  a.indexBuffers = {{0, 1, 2, 0, 2, 3}, {2, 1, 0}};
  a.submeshes = {{0, 0, 0, 0, 1}, {1, 0, 0, 3, 1}, {1, 1, 1, 0, 1}, {0, 0, 0, 6, 0}};
  a.extents = {{0, 0, 0.5f}, 1.8f, {-1, -1, 0}, {1, 1, 1}};
  CmoMesh b;
  b.name = "日本語";
  b.materials = {DefaultCmoMaterial()};
  b.vertexBuffers = {{Vertex(0, 0, 0, 1), Vertex(0, 1, 0, 2), Vertex(1, 0, 0, 3)}};
  b.indexBuffers = {{0, 1, 2}};
  b.submeshes = {{0, 0, 0, 0, 1}};
  b.extents = {{0.3f, 0.3f, 0}, 0.7f, {0, 0, 0}, {1, 1, 0}};
  return {a, b};
}

// The sample's UV transform is not the identity: equality also shows that the
// reader stores it without applying it to the texture coordinates.
TEST(CmoRoundTrip, ReadsBackExactlyWhatWasWritten) {
  const auto model = SampleModel();
  const Bytes bytes = WriteCmo(model);
  const auto read = Read(bytes);
  EXPECT_EQ(read, model);
  EXPECT_EQ(WriteCmo(read), bytes);
}

TEST(CmoRoundTrip, FileHelpers) {
  const test::TempDir dir;
  const Bytes bytes = WriteCmo(SampleModel());
  const auto path = dir.Write("model.cmo", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  EXPECT_EQ(ReadCmoFile(path.string()), SampleModel());
  std::filesystem::remove(path);
  try {
    ReadCmoFile(path.string());
    ADD_FAILURE() << "a missing file was read";
  } catch (const FormatError& e) {
    EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos) << e.what();
  }
  EXPECT_THROW(ReadCmoFile(dir.path().string()), FormatError);
}

TEST(CmoWriter, RejectsWhatTheReaderWouldRejectOrChange) {
  const auto reject = [](auto edit) {
    auto model = SampleModel();
    edit(model);
    EXPECT_THROW(WriteCmo(model), std::invalid_argument);
  };
  reject([](auto& m) { m.clear(); });
  reject([](auto& m) { m[1].materials.clear(); });
  reject([](auto& m) { m[1].submeshes.clear(); });
  reject([](auto& m) { m[1].indexBuffers[0].clear(); });
  reject([](auto& m) { m[1].vertexBuffers.clear(); });
  reject([](auto& m) { m[1].indexBuffers[0][2] = 3; });
  reject([](auto& m) { m[1].submeshes[0].materialIndex = 1; });
  reject([](auto& m) { m[1].submeshes[0].primCount = 2; });
  reject([](auto& m) { m[1].name = "bad \xC3"; });
  reject([](auto& m) { m[1].name = std::string("nul\0inside", 10); });
}

// ---------------------------------------------------------------------------
// The reader's rules on hand-built files.

TEST(CmoReader, ReadsHandBuiltFields) {
  MeshSpec s;
  s.vertexBuffers = {3};
  s.firstX = 7.0f;
  RawCmo raw({s});
  raw.bytes.push_back(0x55);  // trailing bytes are ignored
  const auto meshes = Read(raw.bytes);
  ASSERT_EQ(meshes.size(), 1u);
  const CmoMesh& m = meshes[0];
  EXPECT_EQ(m.name, "mesh");
  ASSERT_EQ(m.materials.size(), 1u);
  EXPECT_EQ(m.materials[0].name, "material");
  EXPECT_EQ(m.materials[0].diffuse[3], 1.0f);
  EXPECT_EQ(m.materials[0].ambient[0], 0.5f);
  EXPECT_EQ(m.materials[0].pixelShader, "lambert.dgsl.cso");
  EXPECT_EQ(m.materials[0].textures[0], "diffuse.dds");
  EXPECT_EQ(m.materials[0].textures[1], "");
  ASSERT_EQ(m.vertexBuffers.size(), 1u);
  ASSERT_EQ(m.vertexBuffers[0].size(), 3u);
  const CmoVertex& v = m.vertexBuffers[0][0];
  EXPECT_EQ(v.position[0], 7.0f);
  EXPECT_EQ(v.position[1], 0.25f);
  EXPECT_EQ(v.normal[0], 0.75f);
  EXPECT_EQ(v.tangent[3], 2.25f);
  EXPECT_EQ(v.color & 0xFF, 10u);  // file byte 0 = R
  EXPECT_EQ(v.color >> 24, 40u);   // byte 3 = A
  EXPECT_EQ(v.texcoord[0], 0.5f);
  EXPECT_EQ(v.texcoord[1], 0.75f);
  EXPECT_EQ(m.extents.center[0], 0.0f);
  EXPECT_EQ(m.extents.radius, 3.0f);
  EXPECT_EQ(m.extents.min[0], 4.0f);
  EXPECT_EQ(m.extents.max[2], 9.0f);
  EXPECT_EQ(m.submeshes[0], (CmoSubmesh{0, 0, 0, 0, 1}));
}

TEST(CmoReader, NamesFromUtf16) {
  const auto nameOf = [](std::u16string units) {
    MeshSpec s;
    s.name = std::move(units);
    return Read(RawCmo({s}).bytes)[0].name;
  };
  EXPECT_EQ(nameOf(std::u16string(u"abc\0\0", 5)), "abc");          // trailing NULs stripped
  EXPECT_EQ(nameOf(std::u16string(u"a\0b\0", 4)), std::string("a\0b", 3));  // only trailing ones
  EXPECT_EQ(nameOf(u""), "");
  EXPECT_EQ(nameOf(u"caf\u00E9 \u2603"), "café ☃");
  EXPECT_EQ(nameOf(u"\U0001F3AC"), "🎬");                            // surrogate pair
  EXPECT_EQ(nameOf(std::u16string{u'x', char16_t(0xD83C), u'y'}), "x\uFFFDy");   // unpaired high
  EXPECT_EQ(nameOf(std::u16string{char16_t(0xDFAC), u'y'}), "\uFFFDy");          // unpaired low
  EXPECT_EQ(nameOf(std::u16string{u'x', char16_t(0xD83C)}), "x\uFFFD");          // high at the end
}

TEST(CmoReader, MeshWithoutMaterialsGetsTheDefaultMaterial) {
  MeshSpec s;
  s.materials = 0;
  const auto meshes = Read(RawCmo({s}).bytes);
  ASSERT_EQ(meshes[0].materials.size(), 1u);
  const CmoMaterial& m = meshes[0].materials[0];
  EXPECT_EQ(m, DefaultCmoMaterial());
  EXPECT_EQ(m.name, "Default");
  EXPECT_EQ(m.ambient, (std::array<float, 4>{0.2f, 0.2f, 0.2f, 1}));
  EXPECT_EQ(m.diffuse, (std::array<float, 4>{0.8f, 0.8f, 0.8f, 1}));
  EXPECT_EQ(m.specular, (std::array<float, 4>{0, 0, 0, 1}));
  EXPECT_EQ(m.specularPower, 1.0f);
  EXPECT_EQ(m.emissive, (std::array<float, 4>{0, 0, 0, 1}));
  EXPECT_EQ(m.uvTransform, (std::array<float, 16>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
}

std::vector<MeshSpec> SkinnedThenPlain() {
  MeshSpec skinned;
  skinned.name = u"skinned";
  skinned.vertexBuffers = {3, 4};
  skinned.indexBuffers = {{0, 1, 2}, {3, 2, 1}};
  skinned.submeshes = {{0, 0, 0, 0, 1}, {0, 1, 1, 0, 1}};
  skinned.skinningBuffers = {3, 4};
  skinned.skeleton = true;
  skinned.bones = 3;
  skinned.clips = 2;
  skinned.keyframes = 4;
  skinned.firstX = 1.0f;
  MeshSpec plain;
  plain.name = u"after the skeleton";
  plain.firstX = 2.0f;
  return {skinned, plain};
}

TEST(CmoReader, SkeletonAndSkinningAreSkippedSoTheNextMeshReads) {
  for (const bool emptySkeleton : {false, true}) {
    SCOPED_TRACE(emptySkeleton ? "no bones, no clips" : "bones and clips");
    auto layouts = SkinnedThenPlain();
    if (emptySkeleton) layouts[0].bones = layouts[0].clips = 0;
    const auto meshes = Read(RawCmo(layouts).bytes);
    ASSERT_EQ(meshes.size(), 2u);
    EXPECT_EQ(meshes[0].name, "skinned");
    EXPECT_EQ(meshes[0].vertexBuffers[1].size(), 4u);
    EXPECT_EQ(meshes[0].extents.max[2], 9.0f);
    EXPECT_EQ(meshes[1].name, "after the skeleton");
    EXPECT_EQ(meshes[1].vertexBuffers[0][0].position[0], 2.0f);
    EXPECT_EQ(meshes[1].extents.radius, 3.0f);
    // What our writer makes of it reads back the same (without the skeleton).
    EXPECT_EQ(Read(WriteCmo(meshes)), meshes);
  }
}

// Every proper prefix of a valid file (with two meshes, materials, skinning
// buffers and a skeleton section) is rejected cleanly.
TEST(CmoMalformed, TruncatedAtEveryByte) {
  const Bytes full = RawCmo(SkinnedThenPlain()).bytes;
  ASSERT_NO_THROW(Read(full));
  for (std::size_t n = 0; n < full.size(); ++n) {
    const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    try {
      Read(cut);
      ADD_FAILURE() << "prefix of " << n << " bytes accepted";
    } catch (const FormatError& e) {
      EXPECT_NE(std::string(e.what()).find("only"), std::string::npos) << n << ": " << e.what();
    }
  }
}

struct MalformedRow {
  const char* label;
  std::vector<MeshSpec> meshes;
  std::vector<std::pair<std::string, std::uint32_t>> patches;
  const char* fault;
};

std::vector<MalformedRow> MalformedRows() {
  const MeshSpec ok;
  MeshSpec twoVbOneSkin = ok;
  twoVbOneSkin.vertexBuffers = {3, 3};
  twoVbOneSkin.skinningBuffers = {3};
  auto with = [&](auto edit) {
    MeshSpec s = ok;
    edit(s);
    return std::vector<MeshSpec>{s};
  };
  return {
      {"zero meshes", {}, {}, "mesh count is 0"},
      {"mesh count over 65535", {ok}, {{"meshCount", 65536}}, "mesh count 65536 is over 65535"},
      {"mesh count the bytes cannot hold", {ok}, {{"meshCount", 65535}}, "meshes: 65535 x"},
      {"huge mesh count", {ok}, {{"meshCount", 0xFFFFFFFF}}, "over 65535"},
      {"huge name length", {ok}, {{"mesh0.name", 0xFFFFFFFF}}, "mesh 0: mesh name: 4294967295 x 2 bytes"},
      {"material count over 65535", {ok}, {{"mesh0.materialCount", 70000}}, "material count 70000 is over"},
      {"material count the bytes cannot hold", {ok}, {{"mesh0.materialCount", 5}}, "materials: 5 x"},
      {"zero submeshes", with([](MeshSpec& s) { s.submeshes.clear(); }), {}, "submesh count is 0"},
      {"huge submesh count", {ok}, {{"mesh0.submeshCount", 0xFFFFFFFF}}, "submeshes: 4294967295 x 20"},
      {"zero index buffers", with([](MeshSpec& s) { s.indexBuffers.clear(); }), {}, "index buffer count is 0"},
      {"index buffer count over 65535", {ok}, {{"mesh0.ibCount", 65536}}, "index buffer count 65536 is over"},
      {"empty index buffer", with([](MeshSpec& s) { s.indexBuffers = {{}}; }), {}, "index buffer 0: index buffer is empty"},
      {"huge index buffer", {ok}, {{"mesh0.ib0.count", 0x7FFFFFFF}}, "index buffer: 2147483647 x 2 bytes"},
      {"zero vertex buffers", with([](MeshSpec& s) { s.vertexBuffers.clear(); }), {}, "vertex buffer count is 0"},
      {"empty vertex buffer", with([](MeshSpec& s) { s.vertexBuffers = {0}; }), {}, "vertex buffer 0: vertex buffer is empty"},
      {"vertex buffer over 4 GiB", {ok}, {{"mesh0.vb0.count", 0xFFFFFFFF}}, "vertex buffer is over 4 GiB"},
      {"vertex buffer the bytes cannot hold", {ok}, {{"mesh0.vb0.count", 1000000}}, "vertex buffer: 1000000 x 52"},
      {"skinning buffer count differs", {twoVbOneSkin}, {}, "skinning buffer count 1 differs from vertex buffer count 2"},
      {"skinning vertex count differs", with([](MeshSpec& s) { s.skinningBuffers = {2}; }), {}, "skinning buffer has 2 vertices, its vertex buffer 3"},
      {"huge skinning buffer", with([](MeshSpec& s) { s.skinningBuffers = {3}; }), {{"mesh0.skin0.count", 0xFFFFFFFF}}, "skinning buffer is over 4 GiB"},
      {"material index out of range", with([](MeshSpec& s) { s.submeshes = {{1, 0, 0, 0, 1}}; }), {}, "submesh 0: material index 1 out of range (1 materials)"},
      {"material index with the default material", with([](MeshSpec& s) { s.materials = 0, s.submeshes = {{1, 0, 0, 0, 1}}; }), {}, "material index 1 out of range"},
      {"index buffer index out of range", with([](MeshSpec& s) { s.submeshes = {{0, 1, 0, 0, 1}}; }), {}, "index buffer index 1 out of range"},
      {"vertex buffer index out of range", with([](MeshSpec& s) { s.submeshes = {{0, 0, 5, 0, 1}}; }), {}, "vertex buffer index 5 out of range"},
      {"submesh past its index buffer", with([](MeshSpec& s) { s.submeshes = {{0, 0, 0, 1, 1}}; }), {}, "indices 1..4 past the end of index buffer 0"},
      {"submesh prim count overflowing 32 bits", with([](MeshSpec& s) { s.submeshes = {{0, 0, 0, 0xFFFFFFFF, 0x55555556}}; }), {}, "past the end of index buffer 0"},
      {"index out of range", with([](MeshSpec& s) { s.indexBuffers = {{0, 1, 3}}; }), {}, "index 3 out of range (vertex buffer 0 has 3 vertices)"},
      {"huge bone count", with([](MeshSpec& s) { s.skeleton = true; }), {{"mesh0.boneCount", 0xFFFFFFFF}}, "bones: 4294967295 x 200"},
      {"huge clip count", with([](MeshSpec& s) { s.skeleton = true; }), {{"mesh0.clipCount", 0x10000000}}, "clips: 268435456 x 16"},
      {"huge keyframe count", with([](MeshSpec& s) { s.skeleton = true; }), {{"mesh0.clip0.keyCount", 0xFFFFFFFF}}, "mesh 0: clip 0: keyframes: 4294967295 x 72"},
      {"second mesh bad after a skeleton", SkinnedThenPlain(), {{"mesh1.ibCount", 0}}, "mesh 1: index buffer count is 0"},
  };
}

TEST(CmoMalformed, TableOfRejections) {
  for (const MalformedRow& row : MalformedRows()) {
    SCOPED_TRACE(row.label);
    RawCmo raw(row.meshes);
    for (const auto& [field, value] : row.patches) raw.PatchU32(field, value);
    test::AllocationProbe probe;
    ExpectRejected(raw.bytes, row.fault);
    EXPECT_LT(probe.largest(), std::size_t{1} << 20) << "allocated from a count";
  }
}

}  // namespace
}  // namespace quela::toolkit
