// Whole frames on the headless GL context: eye texture in, distorted output out; the health-and-safety
// panel; the headset's own window and the display it is put on.
#include <SDL.h>
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "ovr/OVR_CAPI.h"
#include "ovr/OVR_CAPI_GL.h"
#include "ovr/distortion_renderer.h"
#include "ovr/dk2_optics.h"
#include "ovr/fov_math.h"
#include "ovr/headset_display.h"
#include "ovr/headset_window.h"
#include "ovr/hsw_panel_image.h"
#include "ovr/ovr_extensions.h"
#include "tests/support/headless_gl.h"
#include "toolkit/formats/font_rasterizer.h"

namespace {

using namespace quela::ovr;

constexpr int kOutW = 1920, kOutH = 1080, kHalfOut = kOutW / 2;
constexpr int kTexW = 2364, kTexH = 1461, kEyeW = 1182;
// Where the program draws each eye in the shared texture (the right eye one pixel past the middle).
constexpr ovrRecti kViewport[ovrEye_Count] = {{{0, 0}, {kEyeW, kTexH}}, {{kEyeW + 1, 0}, {kEyeW, kTexH}}};
constexpr unsigned kProgramCaps = 0x18B;  // chromatic, time warp, vignette, overdrive, HQ

struct Rgb { int r, g, b; };

class DistortionFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    hmd_ = ovrHmd_CreateDebug(ovrHmd_DK2);
    glGenTextures(1, &eyeTexture_);
    EyeFormat(GL_RGBA8);
    for (int eye = 0; eye < ovrEye_Count; ++eye) {
      eyes_[eye].OGL.Header = {ovrRenderAPI_OpenGL, {kTexW, kTexH}, kViewport[eye]};
      eyes_[eye].OGL.TexId = eyeTexture_;
    }
    glGenTextures(1, &outputTexture_);
    glGenFramebuffers(1, &outputFramebuffer_);
    OutputFormat(GL_RGBA8);
  }
  void TearDown() override {
    ovrHmd_Destroy(hmd_);
    GLuint textures[] = {eyeTexture_, outputTexture_};
    glDeleteTextures(2, textures);
    glDeleteFramebuffers(1, &outputFramebuffer_);
  }

  void EyeFormat(GLenum format) {
    glBindTexture(GL_TEXTURE_2D, eyeTexture_);
    glTexImage2D(GL_TEXTURE_2D, 0, format, kTexW, kTexH, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  }
  void OutputFormat(GLenum format) {
    glBindTexture(GL_TEXTURE_2D, outputTexture_);
    glTexImage2D(GL_TEXTURE_2D, 0, format, kOutW, kOutH, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindFramebuffer(GL_FRAMEBUFFER, outputFramebuffer_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, outputTexture_, 0);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GL_FRAMEBUFFER_COMPLETE);
    glClearColor(1, 1, 1, 1);  // anything left undrawn shows up white
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
  }

  bool Configure(unsigned distortionCaps) {
    ovrGLConfig config{};
    config.OGL.Header = {ovrRenderAPI_OpenGL, {kOutW, kOutH}, 1};
    config.OGL.Framebuffer = outputFramebuffer_;
    config.OGL.SwapBuffers = [](void* user) { ++*static_cast<int*>(user); };
    config.OGL.SwapBuffersUser = &swaps_;
    return ovrHmd_ConfigureRendering(hmd_, &config.Config, distortionCaps, hmd_->DefaultEyeFov, desc_);
  }

  // texel(eye, x, row) with x counted from the eye's viewport and row 0 the texture's first row.
  // The right eye's viewport reaches one column past the texture; that column does not exist.
  void FillEyes(const std::function<Rgb(int eye, int x, int row)>& texel) {
    std::vector<unsigned char> pixels(static_cast<size_t>(kTexW) * kTexH * 4, 0);
    for (int eye = 0; eye < ovrEye_Count; ++eye)
      for (int row = 0; row < kTexH; ++row)
        for (int x = 0; x < kEyeW && kViewport[eye].Pos.x + x < kTexW; ++x) {
          const Rgb c = texel(eye, x, row);
          unsigned char* p = &pixels[(static_cast<size_t>(row) * kTexW + kViewport[eye].Pos.x + x) * 4];
          p[0] = static_cast<unsigned char>(c.r), p[1] = static_cast<unsigned char>(c.g);
          p[2] = static_cast<unsigned char>(c.b), p[3] = 255;
        }
    glBindTexture(GL_TEXTURE_2D, eyeTexture_);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kTexW, kTexH, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  }

  // One frame whose eyes were rendered with renderPose (the headset may have moved since); then the
  // output is read back.
  void Frame(const ovrPosef& renderPose, bool begin = true) {
    if (begin) ovrHmd_BeginFrame(hmd_, 0);
    const ovrPosef poses[ovrEye_Count] = {renderPose, renderPose};
    const ovrTexture textures[ovrEye_Count] = {eyes_[0].Texture, eyes_[1].Texture};
    ovrHmd_EndFrame(hmd_, poses, textures);
    ReadOutput();
  }
  void Frame() { Frame(ovrHmd_GetEyePose(hmd_, ovrEye_Left)); }
  void ReadOutput() {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, outputFramebuffer_);
    output_.assign(static_cast<size_t>(kOutW) * kOutH * 4, 0);
    glReadPixels(0, 0, kOutW, kOutH, GL_RGBA, GL_UNSIGNED_BYTE, output_.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  }

  // Channel c of the pixel at x, y counted from the output's top.
  int At(int x, int yFromTop, int c) const { return output_[(static_cast<size_t>(kOutH - 1 - yFromTop) * kOutW + x) * 4 + c]; }
  Rgb At(int x, int yFromTop) const { return {At(x, yFromTop, 0), At(x, yFromTop, 1), At(x, yFromTop, 2)}; }
  int MaxChannel(int c, int x0 = 0, int x1 = kOutW) const {
    int m = 0;
    for (int y = 0; y < kOutH; ++y)
      for (int x = x0; x < x1; ++x) m = std::max(m, At(x, y, c));
    return m;
  }

  quela::test::HeadlessGl gl_;
  ovrHmd hmd_ = nullptr;
  GLuint eyeTexture_ = 0, outputTexture_ = 0, outputFramebuffer_ = 0;
  ovrGLTexture eyes_[ovrEye_Count] = {};
  ovrEyeRenderDesc desc_[ovrEye_Count] = {};
  int swaps_ = 0;
  std::vector<unsigned char> output_;
};

// Red and blue encode the column within the eye, green the texture row.
Rgb Gradient(int, int x, int row) {
  const int u = (x * 255 + (kEyeW - 1) / 2) / (kEyeW - 1);
  return {u, (row * 255 + (kTexH - 1) / 2) / (kTexH - 1), u};
}
// What the gradient holds at a texture coordinate of an eye.
float GradientColumn(int eye, ovrVector2f uv) { return 255.0f * (uv.x * kTexW - 0.5f - kViewport[eye].Pos.x) / (kEyeW - 1); }
float GradientRow(ovrVector2f uv) { return 255.0f * (uv.y * kTexH - 0.5f) / (kTexH - 1); }

class PatternPlacement : public DistortionFrame, public ::testing::WithParamInterface<unsigned> {};

// Each output pixel holds, per channel, the eye texture at the place the lens model gives; upright.
TEST_P(PatternPlacement, PatternLandsWhereTheLensModelPutsIt) {
  const unsigned caps = GetParam();
  const bool rowZeroAtTop = !(caps & ovrDistortionCap_FlipInput), chromatic = caps & ovrDistortionCap_Chromatic;
  ASSERT_TRUE(Configure(caps));
  FillEyes(Gradient);
  Frame();
  const dk2::CatmullRomLens lens;
  for (int eye = 0; eye < ovrEye_Count; ++eye) {
    const ScaleOffset uv = EyeUvFromTangent(hmd_->DefaultEyeFov[eye], {kTexW, kTexH}, kViewport[eye], rowZeroAtTop);
    const auto toUv = [&](ovrVector2f t) { return ovrVector2f{t.x * uv.scale.x + uv.offset.x, t.y * uv.scale.y + uv.offset.y}; };
    // A grid well inside the lens, where the vignette leaves full brightness.
    for (float ny = -0.6f; ny <= 0.61f; ny += 0.2f)
      for (float nx = -0.6f; nx <= 0.61f; nx += 0.2f) {
        SCOPED_TRACE(testing::Message() << "eye " << eye << " at " << nx << ", " << ny);
        const int px = static_cast<int>((nx + 1) / 2 * kHalfOut) + eye * kHalfOut;
        const int py = static_cast<int>((1 - ny) / 2 * kOutH);
        const ovrVector2f ndc{((px - eye * kHalfOut) + 0.5f) / kHalfOut * 2 - 1, 1 - (py + 0.5f) / kOutH * 2};
        const ChannelTangents t = lens.TangentsAt(static_cast<ovrEyeType>(eye), ndc);
        const Rgb got = At(px, py);
        EXPECT_NEAR(got.r, GradientColumn(eye, toUv(chromatic ? t.red : t.green)), 3.0f);
        EXPECT_NEAR(got.g, GradientRow(toUv(t.green)), 3.0f);
        EXPECT_NEAR(got.b, GradientColumn(eye, toUv(chromatic ? t.blue : t.green)), 3.0f);
      }
  }
}

INSTANTIATE_TEST_SUITE_P(Caps, PatternPlacement, ::testing::Values(kProgramCaps, kProgramCaps & ~ovrDistortionCap_Chromatic,
                                                                   kProgramCaps | ovrDistortionCap_FlipInput),
                         [](const auto& i) { return std::string(i.index == 0 ? "Chromatic" : i.index == 1 ? "OneFetch" : "FlipInput"); });

// Each eye keeps to its half of the output, the vignette fades both to black at the rim, and the
// caller's GL state is put back.
TEST_F(DistortionFrame, EachEyeStaysInItsHalfAndFadesAtTheRim) {
  ASSERT_TRUE(Configure(kProgramCaps));
  FillEyes([](int eye, int, int) { return eye == ovrEye_Left ? Rgb{255, 255, 0} : Rgb{0, 255, 255}; });
  GLuint framebuffer = 0;
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glViewport(3, 4, 50, 60);
  glEnable(GL_DEPTH_TEST);
  Frame();
  GLint bound = 0, viewport[4] = {}, sampler = -1;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound), glGetIntegerv(GL_VIEWPORT, viewport);
  glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
  EXPECT_EQ(std::make_tuple(bound, viewport[0], viewport[3], sampler), std::make_tuple(GLint(framebuffer), 3, 60, 0));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &framebuffer);

  EXPECT_EQ(MaxChannel(2, 0, kHalfOut), 0) << "right eye's blue in the left half";
  EXPECT_EQ(MaxChannel(0, kHalfOut), 0) << "left eye's red in the right half";
  for (int x : {0, kHalfOut - 1, kHalfOut, kOutW - 1})
    for (int y = 0; y < kOutH; y += 7) EXPECT_LE(std::max({At(x, y).r, At(x, y).g, At(x, y).b}), 4) << x << ", " << y;
  for (int x = 0; x < kOutW; x += 7) EXPECT_LE(std::max(At(x, 0).g, At(x, kOutH - 1).g), 4) << x;
}

// Rendered looking ahead, shown after a turn of 10 degrees to the left: with time warp the view's
// centre shows what lay to the left of the rendered centre; without it, the rendered centre.
TEST_F(DistortionFrame, TimeWarpTurnsThePictureToTheDisplayPose) {
  const float leftOfCentre = -std::tan(10.0f * 3.14159265f / 180.0f);
  const struct { unsigned caps; float tangentX; } rows[] =
      {{kProgramCaps, leftOfCentre}, {kProgramCaps & ~ovrDistortionCap_TimeWarp, 0.0f}};
  for (const auto& row : rows) {
    ASSERT_TRUE(Configure(row.caps));
    FillEyes(Gradient);
    const ovrPosef renderPose = ovrHmd_GetEyePose(hmd_, ovrEye_Left);
    ovrHmd_SetSimulatedPose(hmd_, 10, 0, 0);
    Frame(renderPose);
    ovrHmd_RecenterPose(hmd_);
    // The output pixel that looks straight ahead through the left lens.
    const int px = static_cast<int>((1 - dk2::kLensCentreNdcX) / 2 * kHalfOut);
    const ScaleOffset uv = EyeUvFromTangent(hmd_->DefaultEyeFov[0], {kTexW, kTexH}, kViewport[0], true);
    EXPECT_NEAR(At(px, kOutH / 2).g, 128, 3) << std::hex << row.caps;
    EXPECT_NEAR(At(px, kOutH / 2).r, GradientColumn(0, {row.tangentX * uv.scale.x + uv.offset.x, 0}), 3) << std::hex << row.caps;
  }
}

// A linear eye texture is encoded on the way out; an sRGB one is copied in its encoded form.
TEST_F(DistortionFrame, SrgbCapEncodesTheOutput) {
  OutputFormat(GL_SRGB8_ALPHA8);
  const struct { GLenum eyeFormat; unsigned caps; int fill, expected; } rows[] = {
      {GL_RGBA8, kProgramCaps, 64, 64}, {GL_RGBA8, kProgramCaps | ovrDistortionCap_SRGB, 64, 137},
      {GL_SRGB8_ALPHA8, kProgramCaps | ovrDistortionCap_SRGB, 137, 137}};
  for (const auto& row : rows) {
    EyeFormat(row.eyeFormat);
    ASSERT_TRUE(Configure(row.caps));
    FillEyes([&](int, int, int) { return Rgb{row.fill, row.fill, row.fill}; });
    Frame();
    EXPECT_NEAR(At(kHalfOut / 2, kOutH / 2).g, row.expected, 1) << std::hex << row.caps;
  }
}

TEST_F(DistortionFrame, RefusesOrSurvivesBadInput) {
  Frame(ovrHmd_GetEyePose(hmd_, ovrEye_Left), false);  // before configuration: nothing to draw with
  EXPECT_EQ(swaps_, 0);
  // A foreign API, an empty output and a flat field are each refused.
  const ovrFovPort flat[ovrEye_Count] = {};
  const struct { ovrRenderAPIType api; int width; const ovrFovPort* fov; } bad[] = {
      {ovrRenderAPI_D3D11, kOutW, hmd_->DefaultEyeFov}, {ovrRenderAPI_OpenGL, 0, hmd_->DefaultEyeFov},
      {ovrRenderAPI_OpenGL, kOutW, flat}};
  for (const auto& row : bad) {
    ovrGLConfig config{};
    config.OGL.Header = {row.api, {row.width, kOutH}, 1};
    EXPECT_FALSE(ovrHmd_ConfigureRendering(hmd_, &config.Config, kProgramCaps, row.fov, desc_));
  }
  // No mirror on the simulated headset, whose window is the output, and eye textures with nothing
  // sensible to sample each leave the output black, but still presented.
  ASSERT_TRUE(Configure(kProgramCaps));
  FillEyes([](int, int, int) { return Rgb{255, 255, 255}; });
  ovrHmd_SetEnabledCaps(hmd_, 0x2280);
  Frame();
  EXPECT_EQ(MaxChannel(1), 0);
  ovrHmd_SetEnabledCaps(hmd_, 0x0280);
  Frame();
  EXPECT_EQ(At(kHalfOut / 2, kOutH / 2).g, 255);
  eyes_[1].OGL.Header.TextureSize = {0, 0};
  Frame();
  EXPECT_EQ(MaxChannel(1), 0);
  EXPECT_EQ(swaps_, 3);
}

constexpr int kPanelW = 528, kPanelH = 378;  // the notice in a DK2 eye

// The notice (a plain panel without its face or room) lands in the middle of both eyes over the
// picture, pixel for pixel.
TEST_F(DistortionFrame, HealthNoticeDrawsThePanelInBothEyes) {
  const PanelImage panel = RenderHswPanel(kPanelW, kPanelH, quela::toolkit::kSystemSansFace, true);
  ASSERT_TRUE(panel.hasText);
  ASSERT_EQ(panel.rgba.size(), static_cast<size_t>(kPanelW) * kPanelH * 4);
  EXPECT_FALSE(RenderHswPanel(kPanelW, kPanelH, "/nonexistent/face.ttf", true).hasText);
  const PanelImage tiny = RenderHswPanel(0, -5, quela::toolkit::kSystemSansFace, true);
  EXPECT_EQ(std::make_pair(tiny.width, tiny.rgba.size()), std::make_pair(16, size_t{16 * 16 * 4}));

  const dk2::CatmullRomLens lens;
  const DistortionMesh meshes[ovrEye_Count] = {BuildDistortionMesh(lens, ovrEye_Left, dk2::kLeftFov, {kHalfOut, kOutH}),
                                               BuildDistortionMesh(lens, ovrEye_Right, dk2::kRightFov, {kHalfOut, kOutH})};
  auto renderer = DistortionRenderer::Create(meshes, true);
  ASSERT_TRUE(renderer);
  FillEyes([](int, int, int) { return Rgb{0, 255, 0}; });
  EyeSource sources[ovrEye_Count];
  for (EyeSource& source : sources)
    source = {eyeTexture_, {{0.2f, 0.2f}, {0.5f, 0.5f}}, {{0, 0}, {1, 1}}, {1, 0, 0, 0, 1, 0, 0, 0, 1}};
  renderer->Present({outputFramebuffer_, {kOutW, kOutH}, true, true, false, false, true, true}, sources);
  ReadOutput();
  for (int eyeLeft : {0, kHalfOut}) {
    const int x0 = eyeLeft + (kHalfOut - kPanelW) / 2, yTop = (kOutH - kPanelH) / 2;
    int differing = 0;
    for (int y = 0; y < kPanelH; ++y)
      for (int x = 0; x < kPanelW; ++x)
        for (int c = 0; c < 3; ++c)
          differing += std::abs(At(x0 + x, yTop + y, c) - panel.rgba[(static_cast<size_t>(y) * kPanelW + x) * 4 + c]) > 2;
    EXPECT_EQ(differing, 0) << "eye at " << eyeLeft;
    EXPECT_GT(At(x0 - 20, kOutH / 2).g, 200);  // beside the panel the picture shows
    EXPECT_LT(At(x0 - 20, kOutH / 2).r, 30);
  }
}

TEST(ChooseHeadsetDisplay, FindsThePanelBySizeAndName) {
  const DisplayInfo desk{"DELL U2412M", 1920, 1200}, tv{"LG TV", 1920, 1080}, rift{"Rift DK2", 1080, 1920}, plain{"", 1920, 1080};
  const struct { const char* what; std::vector<DisplayInfo> displays; int configured, expected; } rows[] = {
      {"named, in portrait", {desk, tv, rift}, kAutomaticDisplay, 2},
      {"named beats an earlier display of the same size", {tv, rift}, kAutomaticDisplay, 1},
      {"the only secondary display of that size", {desk, plain}, kAutomaticDisplay, 1},
      {"two unnamed candidates are not guessed", {desk, plain, plain}, kAutomaticDisplay, -1},
      {"the main display alone is not the headset", {tv}, kAutomaticDisplay, -1},
      {"the settings' choice wins", {desk, tv, rift}, 0, 0},
      {"a choice past the last display is ignored", {desk, tv, rift}, 7, 2},
  };
  for (const auto& row : rows)
    EXPECT_EQ(ChooseHeadsetDisplay(row.displays, {1920, 1080}, "Rift (DK2)", row.configured), row.expected) << row.what;
}

// The headset's window is opened on the offscreen driver's display; what the runtime draws into its
// framebuffer reaches the program's window as the mirror, or the program's window goes black.
TEST(HeadsetWindow, OpensBorderlessAndMirrorsIntoTheMainWindow) {
  quela::test::HeadlessGl gl(96, 54);
  auto output = HeadsetWindow::Open(0, gl.window(), {192, 108}, false);
  ASSERT_TRUE(output);
  SDL_Window* headset = nullptr;
  for (Uint32 id = 1; id < 16 && !headset; ++id)
    if (SDL_Window* w = SDL_GetWindowFromID(id); w && std::string(SDL_GetWindowTitle(w)) == "Quela - Headset") headset = w;
  ASSERT_NE(headset, nullptr);
  EXPECT_TRUE(SDL_GetWindowFlags(headset) & SDL_WINDOW_BORDERLESS);

  const auto clear = [](GLuint framebuffer, int x, int w, float r, float g, float b) {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glScissor(x, 0, w, 108);
    glClearColor(r, g, b, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  };
  for (bool mirror : {true, false}) {
    glEnable(GL_SCISSOR_TEST);  // left half red, right half blue, as two eyes would be; the window green
    clear(output->Framebuffer(), 0, 96, 1, 0, 0);
    clear(output->Framebuffer(), 96, 96, 0, 0, 1);
    clear(0, 0, 96, 0, 1, 0);  // the caller's scissor stays on: the copy must not be cut by it
    glScissor(0, 0, 1, 1);
    output->Show(mirror, 0);
    GLint draw = -1;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw);
    EXPECT_TRUE(draw == 0 && glIsEnabled(GL_SCISSOR_TEST));
    glDisable(GL_SCISSOR_TEST);
    glFinish();
    unsigned char left[4] = {}, right[4] = {};
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadPixels(20, 27, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, left);
    glReadPixels(76, 27, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, right);
    EXPECT_EQ((std::vector<int>{left[0], left[1], left[2], right[0], right[1], right[2]}),
              (mirror ? std::vector<int>{255, 0, 0, 0, 0, 255} : std::vector<int>(6, 0)));
  }
  EXPECT_EQ(SDL_GL_GetCurrentWindow(), gl.window());
}

}  // namespace
