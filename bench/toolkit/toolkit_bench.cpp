// CPU cost of submitting toolkit draws: a GUI-sized model, a 64-character
// string, and a whole panel (8 models, 2 text lines). The target is 4 x 4
// pixels so llvmpipe's rasterisation stays out of the figures; nothing waits
// for the GPU except a glFinish every 256 iterations to bound the queue.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/headless_gl.h"
#include "toolkit/device.h"
#include "toolkit/device_context.h"
#include "toolkit/effect_factory.h"
#include "toolkit/effects.h"
#include "toolkit/formats/cmo.h"
#include "toolkit/formats/spritefont.h"
#include "toolkit/model.h"
#include "toolkit/render_target.h"
#include "toolkit/sprite_batch.h"
#include "toolkit/sprite_font.h"

namespace quela::toolkit {
namespace {

// A ring of 64 segments (256 triangles) with one material: about the size of a GUI button.
std::vector<std::uint8_t> RingCmo() {
  CmoMesh mesh;
  mesh.name = "ring";
  mesh.materials = {DefaultCmoMaterial()};
  std::vector<CmoVertex> vertices;
  std::vector<std::uint16_t> indices;
  constexpr int kSegments = 64;
  for (int i = 0; i <= kSegments; ++i) {
    const float a = 2 * kPi * static_cast<float>(i) / kSegments;
    for (const float r : {0.8f, 1.0f})
      for (const float z : {-0.1f, 0.1f})
        vertices.push_back({{r * std::cos(a), r * std::sin(a), z}, {0, 0, 1}, {}, 0xFFFFFFFFu, {0, 0}});
  }
  for (int i = 0; i < kSegments; ++i)
    for (int k = 0; k < 2; ++k) {
      const auto b = static_cast<std::uint16_t>(i * 4 + k * 2);
      const std::uint16_t q[6] = {b, static_cast<std::uint16_t>(b + 1), static_cast<std::uint16_t>(b + 4),
                                  static_cast<std::uint16_t>(b + 1), static_cast<std::uint16_t>(b + 5),
                                  static_cast<std::uint16_t>(b + 4)};
      indices.insert(indices.end(), q, q + 6);
    }
  mesh.vertexBuffers = {vertices};
  mesh.indexBuffers = {indices};
  mesh.submeshes = {{0, 0, 0, 0, static_cast<std::uint32_t>(indices.size() / 3)}};
  mesh.extents = {{0, 0, 0}, 1, {-1, -1, -0.1f}, {1, 1, 0.1f}};
  return WriteCmo({mesh});
}

// Printable ASCII, 8 x 12 cells in a 128 x 72 texture.
SpriteFontData Font() {
  SpriteFontData font;
  for (std::uint32_t c = 32; c < 127; ++c) {
    const int i = static_cast<int>(c - 32);
    font.glyphs.push_back({c, (i % 16) * 8, (i / 16) * 12, (i % 16) * 8 + 8, (i / 16) * 12 + 12, 0, 0, 1});
  }
  font.lineSpacing = 12;
  font.width = 128;
  font.height = 72;
  font.rgba.assign(128 * 72 * 4, 255);
  return font;
}

struct Scene {
  quela::test::HeadlessGl gl{16, 16};
  Device device;
  DeviceContext context{device};
  RenderTarget target{4, 4, false};
  CommonStates states;
  DGSLEffectFactory factory{device};
  std::vector<std::unique_ptr<Model>> models;
  SpriteBatch batch{context};
  SpriteFont font{device, Font()};
  Matrix view = Matrix::CreateLookAt({0, 0, 0}, {0, 0, -1}, {0, 1, 0});
  Matrix projection = Matrix::CreatePerspectiveFieldOfView(1.6f, 0.8f, 0.1f, 100);

  Scene() {
    const auto bytes = RingCmo();
    for (int i = 0; i < 8; ++i) {
      models.push_back(Model::CreateFromCMO(device, bytes.data(), bytes.size(), {}, factory));
      models.back()->UpdateEffects([](IEffect* e) {
        if (auto* l = dynamic_cast<IEffectLights*>(e)) l->EnableDefaultLighting();
      });
    }
    context.SetRenderTarget(target);
  }

  void DrawModel(int i) {
    models[static_cast<std::size_t>(i)]->Draw(context, states, Matrix::CreateTranslation({0, 0, -5.0f - i}), view,
                                              projection, false, [this] { context.SetSamplerState(0, states.AnisotropicWrap()); });
  }
  void DrawText(const std::string& text) {
    batch.Begin();
    font.DrawString(batch, text, {300, 900}, {1, 1, 0, 1});
    batch.End();
  }
  void Pace(benchmark::State& state) {
    if (state.iterations() % 256 == 0) glFinish();
  }
};

const std::string kLine64(64, 'x');

void BM_ModelDraw(benchmark::State& state) {
  Scene scene;
  for (auto _ : state) {
    scene.DrawModel(0);
    scene.Pace(state);
  }
  glFinish();
}
BENCHMARK(BM_ModelDraw);

void BM_DrawString64(benchmark::State& state) {
  Scene scene;
  for (auto _ : state) {
    scene.DrawText(kLine64);
    scene.Pace(state);
  }
  state.counters["draw_calls_per_line"] = static_cast<double>(scene.batch.drawCallsInLastEnd());
  glFinish();
}
BENCHMARK(BM_DrawString64);

void BM_PanelPerEye(benchmark::State& state) {
  Scene scene;
  for (auto _ : state) {
    for (int i = 0; i < 8; ++i) scene.DrawModel(i);
    scene.DrawText("00:12:34  /  01:45:00");
    scene.DrawText(kLine64);
    scene.Pace(state);
  }
  glFinish();
}
BENCHMARK(BM_PanelPerEye);

}  // namespace
}  // namespace quela::toolkit

BENCHMARK_MAIN();
