// Models drawn on Mesa llvmpipe: placement, winding, lighting, fog, the
// custom-state hook and what the loader does to the file's data.
#include <filesystem>
#include <functional>

#include "tests/support/temp_dir.h"
#include "tests/toolkit/gl_fixture.h"
#include "toolkit/basic_effect.h"
#include "toolkit/dgsl_effect.h"
#include "toolkit/effect_factory.h"
#include "toolkit/formats/cmo.h"
#include "toolkit/model.h"
#include "toolkit/sprite_font.h"
#include "toolkit/texture.h"

namespace quela::toolkit::test {
namespace {

// A square in the plane z = `z` spanning x0..x1, y0..y1, facing +z, its
// triangles clockwise as seen from +z (reversed: counter-clockwise).
std::vector<CmoMesh> Square(float x0, float y0, float x1, float y1, float z, std::array<float, 4> diffuse, bool reversed = false) {
  CmoMesh mesh;
  mesh.name = "square";
  CmoMaterial material = DefaultCmoMaterial();
  material.diffuse = diffuse;
  material.ambient = {0, 0, 0, 1};
  mesh.materials = {material};
  auto vertex = [&](float x, float y) { return CmoVertex{{x, y, z}, {0, 0, 1}, {}, 0xFFFFFFFFu, {0.25f, 0.5f}}; };
  mesh.vertexBuffers = {{vertex(x0, y1), vertex(x1, y1), vertex(x0, y0), vertex(x1, y0)}};
  mesh.indexBuffers = {reversed ? std::vector<std::uint16_t>{0, 2, 1, 1, 2, 3}
                                : std::vector<std::uint16_t>{0, 1, 2, 1, 3, 2}};
  mesh.submeshes = {{0, 0, 0, 0, 2}};
  mesh.extents = {{(x0 + x1) / 2, (y0 + y1) / 2, z}, 1, {x0, y0, z}, {x1, y1, z}};
  return {mesh};
}

std::unique_ptr<Model> Load(Device& device, const std::vector<CmoMesh>& cmo, IEffectFactory& factory) {
  const std::vector<std::uint8_t> bytes = WriteCmo(cmo);
  return Model::CreateFromCMO(device, bytes.data(), bytes.size(), {}, factory);
}

constexpr std::array<float, 4> kRed{1, 0, 0, 1};
constexpr Pixel kRedPixel{255, 0, 0, 255};

class ModelRender : public GlTest {
 protected:
  // Camera at z = 2 looking at the origin with a 90-degree view: the plane
  // z = 0 shows x, y in -2..2 across the 64 pixels.
  void Draw(const Model& model, const std::function<void()>& hook = {}) {
    model.Draw(context_, states_, Matrix::Identity(), view_, projection_, false, hook);
  }
  void Lighting(Model& model, const std::function<void(IEffectLights&)>& set) {
    model.UpdateEffects([&](IEffect* e) {
      if (auto* lights = dynamic_cast<IEffectLights*>(e)) set(*lights);
    });
  }

  CommonStates states_;
  DGSLEffectFactory factory_{device_};
  Matrix view_ = Matrix::CreateLookAt({0, 0, 2}, {0, 0, 0}, {0, 1, 0});
  Matrix projection_ = Matrix::CreatePerspectiveFieldOfView(kPi / 2, 1, 0.1f, 10);
};

// The upper-left quadrant square lands in the upper-left of the image, in a
// render target and in the window; reversed winding is culled in both.
TEST_P(ModelRender, LandsOnExpectedPixelsWithWindingCulled) {
  auto front = Load(device_, Square(-1, 0, 0, 1, 0, kRed), factory_);
  auto back = Load(device_, Square(0, -1, 1, 0, 0, kRed, true), factory_);
  Lighting(*front, [](IEffectLights& l) { l.SetLightingEnabled(false); });
  for (const bool window : {false, true}) {
    SCOPED_TRACE(window ? "window" : "render target");
    if (window) context_.SetDefaultRenderTarget(kSize, kSize);
    context_.Clear(kBlack);
    Draw(*front);
    Draw(*back);
    auto at = [&](int x, int y) { return window ? WindowAt(x, y) : At(x, y); };
    EXPECT_EQ(at(24, 24), kRedPixel);                 // inside the square
    EXPECT_EQ(at(15, 24)[0], 0);                      // left of it (x = -1 is pixel 16)
    EXPECT_EQ(at(24, 33)[0], 0);                      // below it
    EXPECT_EQ(at(40, 40)[0], 0);                      // the culled square
  }
}

TEST_P(ModelRender, LightingFollowsTheLights) {
  auto model = Load(device_, Square(-1, -1, 1, 1, 0, kRed), factory_);
  struct Row {
    const char* name;
    std::function<void(IEffectLights&)> set;
    int red;
  } rows[] = {
      {"lighting off: diffuse colour", [](IEffectLights& l) { l.SetLightingEnabled(false); }, 255},
      {"light from the front", [](IEffectLights& l) {
         l.SetLightingEnabled(true);
         l.SetLightDirection(0, {0, 0, -1});
       }, 255},
      {"light from behind", [](IEffectLights& l) { l.SetLightDirection(0, {0, 0, 1}); }, 0},
      {"light at 60 degrees", [](IEffectLights& l) { l.SetLightDirection(0, {0, -std::sqrt(3.0f) / 2, -0.5f}); }, 128},
      {"light disabled", [](IEffectLights& l) {
         l.SetLightDirection(0, {0, 0, -1});
         l.SetLightEnabled(0, false);
       }, 0},
  };
  for (const Row& r : rows) {
    Lighting(*model, r.set);
    context_.Clear(kBlack);
    Draw(*model);
    EXPECT_NEAR(At(32, 32)[0], r.red, 2) << r.name;
  }
}

TEST_P(ModelRender, FogBlendsTowardItsColourWithDistance) {
  BasicEffectFactory basic(device_);
  auto model = Load(device_, Square(-1, -1, 1, 1, 0, kRed), basic);
  struct Row {
    bool enabled;
    float start, end;
    Pixel expected;
  } rows[] = {{false, 0, 1, kRedPixel}, {true, 0, 1, {0, 0, 255, 255}}, {true, 0, 4, {128, 0, 128, 255}}};
  for (const Row& r : rows) {
    model->UpdateEffects([&](IEffect* e) {
      dynamic_cast<IEffectLights*>(e)->SetLightingEnabled(false);
      auto* fog = dynamic_cast<IEffectFog*>(e);
      fog->SetFogEnabled(r.enabled);
      fog->SetFogStart(r.start);
      fog->SetFogEnd(r.end);
      fog->SetFogColor({0, 0, 1});
    });
    context_.Clear(kBlack);
    Draw(*model);
    const Pixel p = At(32, 32);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(p[c], r.expected[c], 2) << "fog " << r.enabled << " end " << r.end;
  }
}

// The hook runs after the toolkit's states: its depth state lets a far square
// show over a near one (its texture in slot 0: see the UV test below).
TEST_P(ModelRender, CustomStateWins) {
  auto nearSquare = Load(device_, Square(-1, -1, 1, 1, 0.5f, {0, 1, 0, 1}), factory_);
  auto farSquare = Load(device_, Square(-1, -1, 1, 1, 0, kRed), factory_);
  for (auto* m : {nearSquare.get(), farSquare.get()})
    Lighting(*m, [](IEffectLights& l) { l.SetLightingEnabled(false); });
  for (const bool hook : {false, true}) {
    context_.Clear(kBlack);
    Draw(*nearSquare);
    Draw(*farSquare, [&] { if (hook) context_.SetDepthStencilState(states_.DepthNone()); });
    EXPECT_EQ(At(32, 32), (hook ? kRedPixel : Pixel{0, 255, 0, 255})) << "hook " << hook;
  }
}

// Clear's depth reaches a target's depth buffer before the first draw that tests
// depth there, however late: after draws without depth and after another
// target was cleared and drawn in meanwhile.
TEST_P(ModelRender, ClearedDepthHoldsForTheFirstDepthTestedDraw) {
  auto nearSquare = Load(device_, Square(-1, -1, 1, 1, 0.5f, {0, 1, 0, 1}), factory_);
  auto farSquare = Load(device_, Square(-1, -1, 1, 1, 0, kRed), factory_);
  for (auto* m : {nearSquare.get(), farSquare.get()})
    Lighting(*m, [](IEffectLights& l) { l.SetLightingEnabled(false); });
  auto depthAt = [](const RenderTarget& target) {
    float depth = -1;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target.framebuffer());
    glReadPixels(32, 32, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return depth;
  };
  RenderTarget other(kSize, kSize, false);
  for (RenderTarget* t : {&target_, &other}) {  // depth 0 everywhere: nothing would pass the test
    glBindFramebuffer(GL_FRAMEBUFFER, t->framebuffer());
    glClearDepth(0);
    glClear(GL_DEPTH_BUFFER_BIT);
  }
  context_.InvalidateState();
  context_.SetRenderTarget(target_);
  context_.Clear(kBlack);
  Draw(*farSquare, [&] { context_.SetDepthStencilState(states_.DepthNone()); });
  EXPECT_EQ(depthAt(target_), 0.0f) << "a draw without depth leaves the clear for later";
  context_.SetRenderTarget(other);
  context_.Clear(kBlack);
  Draw(*nearSquare);
  context_.SetRenderTarget(target_);
  Draw(*nearSquare);
  EXPECT_EQ(At(32, 32), (Pixel{0, 255, 0, 255}));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, other.framebuffer());
  Pixel inOther{};
  glReadPixels(32, 32, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, inOther.data());
  EXPECT_EQ(inOther, (Pixel{0, 255, 0, 255}));
  // The near square, 1.5 from the eye between planes at 0.1 and 10, over a buffer cleared to 1.
  EXPECT_NEAR(depthAt(target_), 10 / 9.9f * (1 - 0.1f / 1.5f), 1e-3f);
}

// The material's UV transform moves the texture coordinates once, even when
// two parts share the vertex buffer; the box comes from the file's extents.
TEST_P(ModelRender, LoaderAppliesUvTransformOnceAndDerivesTheBox) {
  std::vector<CmoMesh> cmo = Square(-1, -1, 1, 1, 0, {1, 1, 1, 1});
  CmoMesh& mesh = cmo[0];
  mesh.materials[0].uvTransform[12] = 0.5f;  // u' = u + 0.5
  mesh.submeshes = {{0, 0, 0, 0, 1}, {0, 0, 0, 3, 1}};
  mesh.extents = {{0, 0, 0}, 1.5f, {-1, -2, -3}, {3, 2, 1}};
  auto model = Load(device_, cmo, factory_);
  EXPECT_EQ(model->meshes[0]->boundingSphere.Radius, 1.5f);
  EXPECT_EQ(model->meshes[0]->boundingBox.Center, (Vector3{1, 0, -1}));
  EXPECT_EQ(model->meshes[0]->boundingBox.Extents, (Vector3{2, 2, 2}));

  Lighting(*model, [](IEffectLights& l) { l.SetLightingEnabled(false); });
  const std::uint8_t redGreen[8] = {255, 0, 0, 255, 0, 255, 0, 255};
  const Texture2D texture(2, 1, false, redGreen);
  Draw(*model, [&] {
    context_.SetTexture(0, &texture);
    context_.SetSamplerState(0, states_.PointWrap());
  });
  // u = 0.25 + 0.5 samples the green texel; applied twice it would wrap to red.
  EXPECT_EQ(At(20, 20), (Pixel{0, 255, 0, 255}));
  EXPECT_EQ(At(44, 44), (Pixel{0, 255, 0, 255}));
}

INSTANTIATE_TEST_SUITE_P(ClipSpaces, ModelRender,
                         ::testing::Values(Device::ClipSpace::Auto, Device::ClipSpace::ShaderAdjust), ClipSpaceName);

// Missing assets raise the loader's exception naming the file.
TEST(ToolkitAssets, MissingFilesRaiseFormatErrorNamingThem) {
  quela::test::HeadlessGl gl;
  Device device;
  DGSLEffectFactory factory(device);
  const quela::test::TempDir temp;
  const auto& dir = temp.path();
  factory.SetDirectory(dir);
  EffectInfo info;
  info.pixelShader = "lambert.dgsl.cso";
  struct Row {
    const char* file;
    std::function<void()> load;
  } rows[] = {
      {"lambert.dgsl.cso", [&] { factory.CreateDGSLEffect(info, false); }},
      {"nothere.cmo", [&] { Model::CreateFromCMO(device, dir / "nothere.cmo", factory); }},
      {"italic.spritefont", [&] { SpriteFont(device, (dir / "italic.spritefont").string()); }},
  };
  for (const Row& r : rows) {
    try {
      r.load();
      ADD_FAILURE() << r.file << " loaded";
    } catch (const FormatError& e) {
      EXPECT_NE(std::string(e.what()).find(r.file), std::string::npos) << e.what();
    }
  }
  // Present, the asset is the pixel stage: it compiles and draws.
  temp.Write("lambert.dgsl.cso", "#version 330 core\nout vec4 oColor;\nvoid main() { oColor = vec4(1); }\n");
  auto effect = factory.CreateDGSLEffect(info, false);
  DeviceContext context(device);
  EXPECT_NO_THROW(effect->Apply(context));
}

}  // namespace
}  // namespace quela::toolkit::test
