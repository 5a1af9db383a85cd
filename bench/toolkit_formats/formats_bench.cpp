// Reading CMO models (target: the largest baked model, a few tens of thousands
// of vertices, under 5 ms) and sprite fonts, and laying out text.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>

#include "toolkit/formats/cmo.h"
#include "toolkit/formats/spritefont.h"

namespace {

using namespace quela::toolkit;

// A UV sphere of about `vertices` vertices in one mesh with one 16-bit index
// buffer per 65,536 vertices.
std::vector<std::uint8_t> SphereCmo(int vertices) {
  const int rings = static_cast<int>(std::sqrt(vertices / 2.0));
  const int segments = vertices / rings;
  CmoMesh mesh;
  mesh.name = "sphere";
  CmoMaterial material = DefaultCmoMaterial();
  material.name = "screen";
  mesh.materials = {material};
  const int rowsPerBuffer = 65536 / (segments + 1) - 1;
  for (int r0 = 0; r0 < rings; r0 += rowsPerBuffer) {
    const int r1 = std::min(rings, r0 + rowsPerBuffer);
    std::vector<CmoVertex> vb;
    for (int r = r0; r <= r1; ++r) {
      const float theta = std::numbers::pi_v<float> * r / rings;
      for (int s = 0; s <= segments; ++s) {
        const float phi = 2 * std::numbers::pi_v<float> * s / segments;
        CmoVertex v{};
        v.normal[0] = std::sin(theta) * std::cos(phi);
        v.normal[1] = std::cos(theta);
        v.normal[2] = std::sin(theta) * std::sin(phi);
        for (int k = 0; k < 3; ++k) v.position[k] = -10 * v.normal[k];
        v.tangent[0] = 1, v.tangent[3] = 1;
        v.color = 0xFFFFFFFF;
        v.texcoord[0] = static_cast<float>(s) / segments;
        v.texcoord[1] = static_cast<float>(r) / rings;
        vb.push_back(v);
      }
    }
    std::vector<std::uint16_t> ib;
    for (int r = 0; r < r1 - r0; ++r) {
      for (int s = 0; s < segments; ++s) {
        const auto a = static_cast<std::uint16_t>(r * (segments + 1) + s), b = static_cast<std::uint16_t>(a + segments + 1);
        ib.insert(ib.end(), {a, static_cast<std::uint16_t>(a + 1), b, b, static_cast<std::uint16_t>(a + 1), static_cast<std::uint16_t>(b + 1)});
      }
    }
    const auto index = static_cast<std::uint32_t>(mesh.vertexBuffers.size());
    mesh.submeshes.push_back({0, index, index, 0, static_cast<std::uint32_t>(ib.size() / 3)});
    mesh.vertexBuffers.push_back(std::move(vb));
    mesh.indexBuffers.push_back(std::move(ib));
  }
  mesh.extents = {{0, 0, 0}, 10, {-10, -10, -10}, {10, 10, 10}};
  return WriteCmo({mesh});
}

void BM_ReadCmoSphere(benchmark::State& state) {
  const auto bytes = SphereCmo(static_cast<int>(state.range(0)));
  std::size_t vertices = 0;
  const auto meshes = ReadCmo(bytes, "sphere");
  for (const auto& vb : meshes[0].vertexBuffers) vertices += vb.size();
  for (auto _ : state) benchmark::DoNotOptimize(ReadCmo(bytes, "sphere"));
  state.counters["vertices"] = static_cast<double>(vertices);
  state.counters["MB"] = static_cast<double>(bytes.size()) / 1e6;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ReadCmoSphere)->Arg(1000)->Arg(30000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_WriteCmoSphere(benchmark::State& state) {
  const auto meshes = ReadCmo(SphereCmo(static_cast<int>(state.range(0))), "sphere");
  for (auto _ : state) benchmark::DoNotOptimize(WriteCmo(meshes));
}
BENCHMARK(BM_WriteCmoSphere)->Arg(100000)->Unit(benchmark::kMillisecond);

// Registers BM_ReadBakedCmo/<name> for every model the baker wrote into the
// run folder (nothing when the baker has not run).
const bool kBakedRegistered = [] {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(QUELA_RUN_DIR) / "Models", ec)) {
    if (entry.path().extension() != ".cmo") continue;
    const std::string path = entry.path().string();
    benchmark::RegisterBenchmark(("BM_ReadBakedCmo/" + entry.path().filename().string()).c_str(),
                                 [path](benchmark::State& state) {
                                   std::ifstream file(path, std::ios::binary);
                                   const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                                                         std::istreambuf_iterator<char>());
                                   std::size_t vertices = 0;
                                   for (const auto& mesh : ReadCmo(bytes, path))
                                     for (const auto& vb : mesh.vertexBuffers) vertices += vb.size();
                                   for (auto _ : state) benchmark::DoNotOptimize(ReadCmo(bytes, path));
                                   state.counters["vertices"] = static_cast<double>(vertices);
                                 })
        ->Unit(benchmark::kMillisecond);
  }
  return true;
}();

SpriteFontData AsciiFont() {
  SpriteFontData f;
  f.lineSpacing = 24;
  f.defaultCharacter = '?';
  f.width = 256, f.height = 128;
  f.rgba.assign(256 * 128 * 4, 0x80);
  for (std::uint32_t c = 32; c < 127; ++c) {
    const int i = static_cast<int>(c - 32), x = (i % 16) * 16, y = (i / 16) * 20;
    f.glyphs.push_back({c, x, y, x + 12, y + 18, -0.5f, 2, 1});
  }
  return f;
}

void BM_ReadSpriteFont(benchmark::State& state) {
  const auto bytes = WriteSpriteFont(AsciiFont());
  for (auto _ : state) benchmark::DoNotOptimize(ReadSpriteFont(bytes, "font"));
}
BENCHMARK(BM_ReadSpriteFont)->Unit(benchmark::kMicrosecond);

void BM_MeasureString64(benchmark::State& state) {
  const SpriteFontData font = AsciiFont();
  const SpriteFontLayout layout(font);
  const std::string text = "00:12:34 / 01:45:00  Quela video player - stereo side by side!?";
  for (auto _ : state) benchmark::DoNotOptimize(layout.MeasureString(text));
  state.counters["chars"] = static_cast<double>(text.size());
}
BENCHMARK(BM_MeasureString64);

void BM_ForEachGlyph64(benchmark::State& state) {
  const SpriteFontData font = AsciiFont();
  const SpriteFontLayout layout(font);
  const std::string text = "00:12:34 / 01:45:00  Quela video player - stereo side by side!?";
  float sum = 0;
  for (auto _ : state) {
    layout.ForEachGlyph(text, [&](const Glyph&, float x, float y) { sum += x + y; });
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_ForEachGlyph64);

}  // namespace
