// Models, sprites and text drawn on Mesa llvmpipe into a 64 x 64 render target, under either way of
// reaching GL's clip space: placement, winding, lighting, fog, the custom-state hook, what the loader
// does to the file's data, and text where MeasureString says, in one draw call.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <vector>

#include "tests/support/headless_gl.h"
#include "tests/support/temp_dir.h"
#include "toolkit/basic_effect.h"
#include "toolkit/device.h"
#include "toolkit/device_context.h"
#include "toolkit/dgsl_effect.h"
#include "toolkit/effect_factory.h"
#include "toolkit/formats/cmo.h"
#include "toolkit/formats/spritefont.h"
#include "toolkit/model.h"
#include "toolkit/render_target.h"
#include "toolkit/sprite_batch.h"
#include "toolkit/sprite_font.h"
#include "toolkit/texture.h"

namespace quela::toolkit {
namespace {

using Pixel = std::array<std::uint8_t, 4>;
constexpr Pixel kRedPixel{255, 0, 0, 255}, kGreenPixel{0, 255, 0, 255}, kBlackPixel{0, 0, 0, 255};

class GlTest : public ::testing::TestWithParam<Device::ClipSpace> {
 protected:
  static constexpr int kSize = 64;
  GlTest() : gl_(kSize, kSize), device_(GetParam()), context_(device_), target_(kSize, kSize, false) {
    context_.SetRenderTarget(target_);
    context_.Clear(kBlack);
  }
  // Pixel (x, y) counted from the top-left of a render target, or of the window, whose rows GL stores
  // bottom first.
  Pixel At(int x, int y, const RenderTarget* target) {
    Pixel p{};
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target ? target->framebuffer() : 0);
    glReadPixels(x, target ? y : kSize - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
    return p;
  }
  Pixel At(int x, int y) { return At(x, y, &target_); }

  quela::test::HeadlessGl gl_;
  Device device_;
  DeviceContext context_;
  RenderTarget target_;
};

const auto kClipSpaces = ::testing::Values(Device::ClipSpace::Auto, Device::ClipSpace::ShaderAdjust);
std::string ClipSpaceName(const ::testing::TestParamInfo<Device::ClipSpace>& info) {
  return info.param == Device::ClipSpace::Auto ? "ClipControl" : "ShaderAdjust";
}

// A square in the plane z = `z` spanning x0..x1, y0..y1, facing +z, its triangles clockwise as seen
// from +z (reversed: counter-clockwise).
std::vector<CmoMesh> Square(float x0, float y0, float x1, float y1, float z, std::array<float, 4> diffuse, bool reversed = false) {
  CmoMesh mesh;
  mesh.name = "square";
  CmoMaterial material = DefaultCmoMaterial();
  material.diffuse = diffuse;
  material.ambient = {0, 0, 0, 1};
  mesh.materials = {material};
  auto vertex = [&](float x, float y) { return CmoVertex{{x, y, z}, {0, 0, 1}, {}, 0xFFFFFFFFu, {0.25f, 0.5f}}; };
  mesh.vertexBuffers = {{vertex(x0, y1), vertex(x1, y1), vertex(x0, y0), vertex(x1, y0)}};
  mesh.indexBuffers = {reversed ? std::vector<std::uint16_t>{0, 2, 1, 1, 2, 3} : std::vector<std::uint16_t>{0, 1, 2, 1, 3, 2}};
  mesh.submeshes = {{0, 0, 0, 0, 2}};
  mesh.extents = {{(x0 + x1) / 2, (y0 + y1) / 2, z}, 1, {x0, y0, z}, {x1, y1, z}};
  return {mesh};
}
constexpr std::array<float, 4> kRed{1, 0, 0, 1}, kGreen{0, 1, 0, 1};

class ModelRender : public GlTest {
 protected:
  std::unique_ptr<Model> Load(const std::vector<CmoMesh>& cmo, bool lit = false, IEffectFactory* factory = nullptr) {
    const std::vector<std::uint8_t> bytes = WriteCmo(cmo);
    auto model = Model::CreateFromCMO(device_, bytes.data(), bytes.size(), {}, factory ? *factory : factory_);
    if (!lit) Lighting(*model, [](IEffectLights& l) { l.SetLightingEnabled(false); });
    return model;
  }
  // Camera at z = 2 looking at the origin with a 90-degree view: the plane z = 0 shows x, y in -2..2
  // across the 64 pixels.
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

// The upper-left quadrant square lands in the upper-left of the image, in a render target and in the
// window; reversed winding is culled in both.
TEST_P(ModelRender, LandsOnExpectedPixelsWithWindingCulled) {
  auto front = Load(Square(-1, 0, 0, 1, 0, kRed)), back = Load(Square(0, -1, 1, 0, 0, kRed, true));
  for (const RenderTarget* target : {&target_, static_cast<RenderTarget*>(nullptr)}) {
    SCOPED_TRACE(target ? "render target" : "window");
    if (!target) context_.SetDefaultRenderTarget(kSize, kSize);
    context_.Clear(kBlack);
    Draw(*front);
    Draw(*back);
    EXPECT_EQ(At(24, 24, target), kRedPixel);  // inside the square
    EXPECT_EQ(At(15, 24, target)[0], 0);       // left of it (x = -1 is pixel 16)
    EXPECT_EQ(At(24, 33, target)[0], 0);       // below it
    EXPECT_EQ(At(40, 40, target)[0], 0);       // the culled square
  }
}

// DGSL lighting follows the lights; BasicEffect's fog blends toward its colour with distance.
TEST_P(ModelRender, LightingAndFogFollowTheirSettings) {
  BasicEffectFactory basic(device_);
  auto lit = Load(Square(-1, -1, 1, 1, 0, kRed), true), fogged = Load(Square(-1, -1, 1, 1, 0, kRed), false, &basic);
  const auto lights = [](void (*set)(IEffectLights&)) { return [set](IEffect* e) { set(dynamic_cast<IEffectLights&>(*e)); }; };
  const auto fog = [](bool enabled, float end) {
    return [=](IEffect* e) {
      auto& f = dynamic_cast<IEffectFog&>(*e);
      f.SetFogEnabled(enabled), f.SetFogStart(0), f.SetFogEnd(end), f.SetFogColor({0, 0, 1});
    };
  };
  const struct { const char* name; Model* model; std::function<void(IEffect*)> set; Pixel expected; } rows[] = {
      {"lighting off: diffuse colour", lit.get(), lights([](IEffectLights& l) { l.SetLightingEnabled(false); }), kRedPixel},
      {"light from the front", lit.get(), lights([](IEffectLights& l) { l.SetLightingEnabled(true), l.SetLightDirection(0, {0, 0, -1}); }), kRedPixel},
      {"light from behind", lit.get(), lights([](IEffectLights& l) { l.SetLightDirection(0, {0, 0, 1}); }), kBlackPixel},
      {"light at 60 degrees", lit.get(), lights([](IEffectLights& l) { l.SetLightDirection(0, {0, -std::sqrt(3.0f) / 2, -0.5f}); }), {128, 0, 0, 255}},
      {"light disabled", lit.get(), lights([](IEffectLights& l) { l.SetLightDirection(0, {0, 0, -1}), l.SetLightEnabled(0, false); }), kBlackPixel},
      {"fog off", fogged.get(), fog(false, 1), kRedPixel},
      {"fog ends at the square", fogged.get(), fog(true, 1), {0, 0, 255, 255}},
      {"fog halfway", fogged.get(), fog(true, 4), {128, 0, 128, 255}},
  };
  for (const auto& r : rows) {
    r.model->UpdateEffects(r.set);
    context_.Clear(kBlack);
    Draw(*r.model);
    const Pixel p = At(32, 32);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(p[c], r.expected[c], 2) << r.name;
  }
}

// Clear's depth reaches a target's depth buffer before the first draw that tests depth there, however
// late: after draws without depth and after another target was cleared and drawn in meanwhile. The
// custom-state hook runs after the toolkit's states: its depth state keeps the first draw off depth.
TEST_P(ModelRender, ClearedDepthHoldsForTheFirstDepthTestedDraw) {
  auto nearSquare = Load(Square(-1, -1, 1, 1, 0.5f, kGreen)), farSquare = Load(Square(-1, -1, 1, 1, 0, kRed));
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
  EXPECT_EQ(At(32, 32), kGreenPixel);
  EXPECT_EQ(At(32, 32, &other), kGreenPixel);
  Draw(*farSquare);
  EXPECT_EQ(At(32, 32), kGreenPixel) << "the far square is hidden";
  // The near square, 1.5 from the eye between planes at 0.1 and 10, over a buffer cleared to 1.
  EXPECT_NEAR(depthAt(target_), 10 / 9.9f * (1 - 0.1f / 1.5f), 1e-3f);
}

// The material's UV transform moves the texture coordinates once, even when two parts share the
// vertex buffer; the box comes from the file's extents.
TEST_P(ModelRender, LoaderAppliesUvTransformOnceAndDerivesTheBox) {
  std::vector<CmoMesh> cmo = Square(-1, -1, 1, 1, 0, {1, 1, 1, 1});
  cmo[0].materials[0].uvTransform[12] = 0.5f;  // u' = u + 0.5
  cmo[0].submeshes = {{0, 0, 0, 0, 1}, {0, 0, 0, 3, 1}};
  cmo[0].extents = {{0, 0, 0}, 1.5f, {-1, -2, -3}, {3, 2, 1}};
  auto model = Load(cmo);
  EXPECT_EQ(model->meshes[0]->boundingSphere.Radius, 1.5f);
  EXPECT_EQ(model->meshes[0]->boundingBox.Center, (Vector3{1, 0, -1}));
  EXPECT_EQ(model->meshes[0]->boundingBox.Extents, (Vector3{2, 2, 2}));
  const std::uint8_t redGreen[8] = {255, 0, 0, 255, 0, 255, 0, 255};
  const Texture2D texture(2, 1, false, redGreen);
  Draw(*model, [&] {
    context_.SetTexture(0, &texture);
    context_.SetSamplerState(0, states_.PointWrap());
  });
  // u = 0.25 + 0.5 samples the green texel; applied twice it would wrap to red.
  EXPECT_EQ(At(20, 20), kGreenPixel);
  EXPECT_EQ(At(44, 44), kGreenPixel);
}

// A missing shader raises the loader's exception naming the file; missing models and fonts reach the
// same exception through the readers' file functions (their round-trip tests).
TEST_P(ModelRender, MissingShaderRaisesFormatErrorNamingIt) {
  const quela::test::TempDir temp;
  factory_.SetDirectory(temp.path());
  EffectInfo info;
  info.pixelShader = "lambert.dgsl.cso";
  try {
    factory_.CreateDGSLEffect(info, false);
    ADD_FAILURE() << "loaded";
  } catch (const FormatError& e) {
    EXPECT_NE(std::string(e.what()).find("lambert.dgsl.cso"), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(ClipSpaces, ModelRender, kClipSpaces, ClipSpaceName);

struct Box {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;  // right, bottom exclusive
  friend bool operator==(const Box&, const Box&) = default;
};
void PrintTo(const Box& b, std::ostream* os) { *os << b.left << "," << b.top << " - " << b.right << "," << b.bottom; }

class SpriteRender : public GlTest {
 protected:
  Box Painted() {
    std::vector<std::uint8_t> pixels(kSize * kSize * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target_.framebuffer());
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    Box box;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x)
        if (pixels[static_cast<std::size_t>((y * kSize + x) * 4)] != 0)
          box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1), std::max(box.bottom, y + 1)};
    return box;
  }

  static constexpr std::uint8_t kRedTexel[4] = {255, 0, 0, 255};
  const Texture2D red_{1, 1, false, kRedTexel};
  SpriteBatch batch_{context_};
};

// Pixels from the top-left of the viewport, also for a viewport that does not start at the target's
// corner; Begin and End must pair up.
TEST_P(SpriteRender, SpritesLandInViewportPixels) {
  EXPECT_THROW(batch_.Draw(red_, Vector2{}), std::logic_error);
  EXPECT_THROW(batch_.End(), std::logic_error);
  context_.SetViewport({16, 8, 32, 32});
  batch_.Begin();
  EXPECT_THROW(batch_.Begin(), std::logic_error);
  batch_.Draw(red_, Rect{2, 3, 6, 5});
  batch_.End();
  EXPECT_EQ(Painted(), (Box{18, 11, 22, 13}));
}

// Text covers exactly the box MeasureString gives, at the position asked, in one draw call per line,
// also scaled. The font's 'A' is a solid 3 x 8 block with a 1-pixel advance; ' ' is empty.
TEST_P(SpriteRender, TextAppearsWhereMeasureStringSays) {
  SpriteFontData data;
  data.glyphs = {{' ', 0, 0, 1, 1, 0, 0, 3}, {'A', 1, 0, 4, 8, 0, 0, 1}};
  data.lineSpacing = 8;
  data.width = 4;
  data.height = 8;
  data.rgba.assign(4 * 8 * 4, 255);
  for (int y = 0; y < 8; ++y) std::fill_n(data.rgba.begin() + y * 16, 4, 0);  // column 0 transparent
  const SpriteFont font(device_, data);
  const struct { const char* text; Vector2 position; float scale; } rows[] =
      {{"AA", {10, 20}, 1}, {"A A", {3, 5}, 1}, {"AA\nA", {30, 9}, 1}, {"AA", {5, 5}, 2}};
  for (const auto& r : rows) {
    context_.Clear(kBlack);
    batch_.Begin();
    font.DrawString(batch_, r.text, r.position, kWhite, 0, {}, {r.scale, r.scale});
    batch_.End();
    EXPECT_EQ(batch_.drawCallsInLastEnd(), 1u) << r.text;
    const Vector2 size = font.MeasureString(r.text) * r.scale;
    EXPECT_EQ(Painted(), (Box{static_cast<int>(r.position.x), static_cast<int>(r.position.y),
                              static_cast<int>(r.position.x + size.x), static_cast<int>(r.position.y + size.y)}))
        << r.text;
  }
}

INSTANTIATE_TEST_SUITE_P(ClipSpaces, SpriteRender, kClipSpaces, ClipSpaceName);

}  // namespace
}  // namespace quela::toolkit
