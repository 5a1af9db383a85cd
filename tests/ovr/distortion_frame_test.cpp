// Whole frames through the runtime on the headless GL context: eye texture in, distorted output out.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "ovr/OVR_CAPI.h"
#include "ovr/OVR_CAPI_GL.h"
#include "ovr/dk2_optics.h"
#include "ovr/fov_math.h"
#include "ovr/ovr_extensions.h"
#include "tests/support/headless_gl.h"

namespace {

using namespace quela::ovr;

constexpr int kOutW = 1920, kOutH = 1080, kHalfOut = kOutW / 2;
constexpr int kTexW = 2364, kTexH = 1461, kEyeW = 1182;
// Where the program draws each eye in the shared texture (the right eye one pixel past the middle).
constexpr ovrRecti kViewport[ovrEye_Count] = {{{0, 0}, {kEyeW, kTexH}}, {{kEyeW + 1, 0}, {kEyeW, kTexH}}};
constexpr unsigned kProgramCaps = 0x18B;  // chromatic, time warp, vignette, overdrive, HQ

struct Rgb {
  int r, g, b;
};

class DistortionFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    hmd_ = ovrHmd_CreateDebug(ovrHmd_DK2);
    glGenTextures(1, &eyeTexture_);
    glBindTexture(GL_TEXTURE_2D, eyeTexture_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kTexW, kTexH, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    for (int eye = 0; eye < ovrEye_Count; ++eye) {
      eyes_[eye].OGL.Header = {ovrRenderAPI_OpenGL, {kTexW, kTexH}, kViewport[eye]};
      eyes_[eye].OGL.TexId = eyeTexture_;
    }
    MakeOutput(GL_RGBA8);
  }
  void TearDown() override {
    ovrHmd_Destroy(hmd_);
    glDeleteTextures(1, &eyeTexture_);
    glDeleteTextures(1, &outputTexture_);
    glDeleteFramebuffers(1, &outputFramebuffer_);
  }

  void MakeOutput(GLenum format) {
    glDeleteTextures(1, &outputTexture_);
    glDeleteFramebuffers(1, &outputFramebuffer_);
    glGenTextures(1, &outputTexture_);
    glBindTexture(GL_TEXTURE_2D, outputTexture_);
    glTexImage2D(GL_TEXTURE_2D, 0, format, kOutW, kOutH, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &outputFramebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, outputFramebuffer_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, outputTexture_, 0);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GL_FRAMEBUFFER_COMPLETE);
    glClearColor(1, 1, 1, 1);  // anything the runtime leaves undrawn shows up white
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
          p[0] = static_cast<unsigned char>(c.r);
          p[1] = static_cast<unsigned char>(c.g);
          p[2] = static_cast<unsigned char>(c.b);
          p[3] = 255;
        }
    glBindTexture(GL_TEXTURE_2D, eyeTexture_);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kTexW, kTexH, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  }

  // One frame whose eyes were rendered with renderPose; the headset may have moved since.
  void Frame(const ovrPosef& renderPose) {
    ovrHmd_BeginFrame(hmd_, 0);
    const ovrPosef poses[ovrEye_Count] = {renderPose, renderPose};
    const ovrTexture textures[ovrEye_Count] = {eyes_[0].Texture, eyes_[1].Texture};
    ovrHmd_EndFrame(hmd_, poses, textures);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, outputFramebuffer_);
    output_.assign(static_cast<size_t>(kOutW) * kOutH * 4, 0);
    glReadPixels(0, 0, kOutW, kOutH, GL_RGBA, GL_UNSIGNED_BYTE, output_.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  }
  void Frame() { Frame(ovrHmd_GetEyePose(hmd_, ovrEye_Left)); }

  // y counted from the output's top.
  Rgb At(int x, int yFromTop) const {
    const unsigned char* p = &output_[(static_cast<size_t>(kOutH - 1 - yFromTop) * kOutW + x) * 4];
    return {p[0], p[1], p[2]};
  }
  int MaxChannel(int x0, int x1, int channel) const {
    int m = 0;
    for (int y = 0; y < kOutH; ++y)
      for (int x = x0; x < x1; ++x) m = std::max(m, static_cast<int>(output_[(static_cast<size_t>(y) * kOutW + x) * 4 + channel]));
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
float GradientColumn(int eye, ovrVector2f uv) {
  return 255.0f * (uv.x * kTexW - 0.5f - kViewport[eye].Pos.x) / (kEyeW - 1);
}
float GradientRow(ovrVector2f uv) { return 255.0f * (uv.y * kTexH - 0.5f) / (kTexH - 1); }

struct LensCase {
  unsigned caps;
  const char* name;
};

class PatternPlacement : public DistortionFrame, public ::testing::WithParamInterface<LensCase> {};

// Each output pixel holds, per channel, the eye texture at the place the lens model gives.
TEST_P(PatternPlacement, PatternLandsWhereTheLensModelPutsIt) {
  const unsigned caps = GetParam().caps;
  const bool rowZeroAtTop = !(caps & ovrDistortionCap_FlipInput);
  const bool chromatic = caps & ovrDistortionCap_Chromatic;
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
        const int px = static_cast<int>((nx + 1) / 2 * kHalfOut) + eye * kHalfOut;
        const int py = static_cast<int>((1 - ny) / 2 * kOutH);
        const ovrVector2f ndc{((px - eye * kHalfOut) + 0.5f) / kHalfOut * 2 - 1, 1 - (py + 0.5f) / kOutH * 2};
        const ChannelTangents t = lens.TangentsAt(static_cast<ovrEyeType>(eye), ndc);
        const Rgb got = At(px, py);
        const float expectedRed = GradientColumn(eye, toUv(chromatic ? t.red : t.green));
        const float expectedGreen = GradientRow(toUv(t.green));
        const float expectedBlue = GradientColumn(eye, toUv(chromatic ? t.blue : t.green));
        EXPECT_NEAR(got.r, expectedRed, 3.0f) << "eye " << eye << " at " << nx << ", " << ny;
        EXPECT_NEAR(got.g, expectedGreen, 3.0f) << "eye " << eye << " at " << nx << ", " << ny;
        EXPECT_NEAR(got.b, expectedBlue, 3.0f) << "eye " << eye << " at " << nx << ", " << ny;
      }
    // Upright: the top of the output shows the picture's top.
    const int x = eye * kHalfOut + kHalfOut / 2;
    if (rowZeroAtTop) {
      EXPECT_LT(At(x, kOutH / 5).g, 80);
      EXPECT_GT(At(x, kOutH * 4 / 5).g, 175);
    } else {
      EXPECT_GT(At(x, kOutH / 5).g, 175);
    }
  }
  EXPECT_EQ(swaps_, 1);
}

INSTANTIATE_TEST_SUITE_P(Caps, PatternPlacement,
                         ::testing::Values(LensCase{kProgramCaps, "Chromatic"},
                                           LensCase{kProgramCaps & ~ovrDistortionCap_Chromatic, "OneFetch"},
                                           LensCase{kProgramCaps | ovrDistortionCap_FlipInput, "FlipInput"}),
                         [](const auto& info) { return info.param.name; });

// Each eye keeps to its half of the output, and the vignette fades both to black at the rim.
TEST_F(DistortionFrame, EachEyeStaysInItsHalfAndFadesAtTheRim) {
  ASSERT_TRUE(Configure(kProgramCaps));
  for (int eye = 0; eye < ovrEye_Count; ++eye) {
    EXPECT_EQ(desc_[eye].Eye, eye);
    EXPECT_FLOAT_EQ(desc_[eye].ViewAdjust.x, eye == ovrEye_Left ? 0.032f : -0.032f);
    EXPECT_EQ(desc_[eye].DistortedViewport.Pos.x, eye * kHalfOut);
    EXPECT_EQ(desc_[eye].DistortedViewport.Size.w, kHalfOut);
  }
  FillEyes([](int eye, int, int) { return eye == ovrEye_Left ? Rgb{255, 255, 0} : Rgb{0, 255, 255}; });
  Frame();
  EXPECT_EQ(MaxChannel(0, kHalfOut, 2), 0) << "right eye's blue in the left half";
  EXPECT_EQ(MaxChannel(kHalfOut, kOutW, 0), 0) << "left eye's red in the right half";
  EXPECT_EQ(At(kHalfOut / 2, kOutH / 2).r, 255);
  EXPECT_EQ(At(kHalfOut + kHalfOut / 2, kOutH / 2).b, 255);
  for (int x : {0, kHalfOut - 1, kHalfOut, kOutW - 1})
    for (int y = 0; y < kOutH; y += 7) EXPECT_LE(std::max({At(x, y).r, At(x, y).g, At(x, y).b}), 4) << x << ", " << y;
  for (int x = 0; x < kOutW; x += 7) EXPECT_LE(std::max(At(x, 0).g, At(x, kOutH - 1).g), 4) << x;
  // The corners outside the lens are drawn black, not left undrawn (white).
  for (int x : {5, kHalfOut - 5, kHalfOut + 5, kOutW - 5}) EXPECT_EQ(At(x, 5).g, 0) << "corner " << x;
}

TEST_F(DistortionFrame, NoMirrorLeavesTheSimulatedHeadsetsWindowBlack) {
  ASSERT_TRUE(Configure(kProgramCaps));
  FillEyes([](int, int, int) { return Rgb{255, 255, 255}; });
  ovrHmd_SetEnabledCaps(hmd_, 0x2280);
  Frame();
  EXPECT_EQ(MaxChannel(0, kOutW, 0), 0);
  EXPECT_EQ(MaxChannel(0, kOutW, 1), 0);
  EXPECT_EQ(swaps_, 1);  // still presented, so the window shows black
  ovrHmd_SetEnabledCaps(hmd_, 0x0280);
  Frame();
  EXPECT_EQ(At(kHalfOut / 2, kOutH / 2).g, 255);
}

// Rendered looking ahead, shown after a turn of 10 degrees to the left: with time warp the view's
// centre shows what lay to the left of the rendered centre; without it, the rendered centre.
TEST_F(DistortionFrame, TimeWarpTurnsThePictureToTheDisplayPose) {
  const float leftOfCentre = -std::tan(10.0f * 3.14159265f / 180.0f);
  const struct {
    unsigned caps;
    float tangentX;
  } rows[] = {{kProgramCaps, leftOfCentre}, {kProgramCaps & ~ovrDistortionCap_TimeWarp, 0.0f}};
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
    const float expected = GradientColumn(0, {row.tangentX * uv.scale.x + uv.offset.x, 0});
    EXPECT_NEAR(At(px, kOutH / 2).g, 128, 3) << std::hex << row.caps;
    EXPECT_NEAR(At(px, kOutH / 2).r, expected, 3) << std::hex << row.caps;
  }
}

// A linear eye texture is encoded on the way out; an sRGB one is copied in its encoded form. Both must
// give the same picture, the vignette's fade included (the copy's power curve strays only near black).
TEST_F(DistortionFrame, SrgbCapEncodesTheOutput) {
  MakeOutput(GL_SRGB8_ALPHA8);
  const struct {
    GLenum eyeFormat;
    unsigned caps;
    int fill, expected;
  } rows[] = {{GL_RGBA8, kProgramCaps, 64, 64},
              {GL_RGBA8, kProgramCaps | ovrDistortionCap_SRGB, 64, 137},
              {GL_SRGB8_ALPHA8, kProgramCaps | ovrDistortionCap_SRGB, 137, 137}};
  std::vector<unsigned char> linearPath;
  for (const auto& row : rows) {
    glBindTexture(GL_TEXTURE_2D, eyeTexture_);
    glTexImage2D(GL_TEXTURE_2D, 0, row.eyeFormat, kTexW, kTexH, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    ASSERT_TRUE(Configure(row.caps));
    FillEyes([&](int, int, int) { return Rgb{row.fill, row.fill, row.fill}; });
    Frame();
    EXPECT_NEAR(At(kHalfOut / 2, kOutH / 2).g, row.expected, 1) << std::hex << row.caps;
    if (row.eyeFormat == GL_RGBA8 && row.expected == 137) linearPath = output_;
  }
  int worstBright = 0, worstDark = 0;
  for (size_t i = 0; i < output_.size(); ++i) {
    int& worst = linearPath[i] >= 64 ? worstBright : worstDark;
    worst = std::max(worst, std::abs(output_[i] - linearPath[i]));
  }
  EXPECT_LE(worstBright, 3);
  EXPECT_LE(worstDark, 10);
}

TEST_F(DistortionFrame, PutsBackTheCallersGlState) {
  ASSERT_TRUE(Configure(kProgramCaps));
  GLuint framebuffer = 0;
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glViewport(3, 4, 50, 60);
  glEnable(GL_DEPTH_TEST);
  Frame();
  GLint bound = 0, viewport[4] = {}, sampler = -1;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
  glGetIntegerv(GL_VIEWPORT, viewport);
  glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
  EXPECT_EQ(bound, static_cast<GLint>(framebuffer));
  EXPECT_EQ(viewport[0], 3);
  EXPECT_EQ(viewport[3], 60);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_EQ(sampler, 0);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &framebuffer);
}

TEST_F(DistortionFrame, RefusesOrSurvivesBadInput) {
  const ovrPosef poses[ovrEye_Count] = {ovrHmd_GetEyePose(hmd_, ovrEye_Left), ovrHmd_GetEyePose(hmd_, ovrEye_Right)};
  const ovrTexture textures[ovrEye_Count] = {eyes_[0].Texture, eyes_[1].Texture};
  ovrHmd_EndFrame(hmd_, poses, textures);  // before configuration: nothing to draw with
  EXPECT_EQ(swaps_, 0);

  // A foreign API, an empty output and a flat field are each refused.
  const ovrFovPort flat[ovrEye_Count] = {};
  const struct {
    ovrRenderAPIType api;
    int width;
    const ovrFovPort* fov;
  } bad[] = {{ovrRenderAPI_D3D11, kOutW, hmd_->DefaultEyeFov}, {ovrRenderAPI_OpenGL, 0, hmd_->DefaultEyeFov},
             {ovrRenderAPI_OpenGL, kOutW, flat}};
  for (const auto& row : bad) {
    ovrGLConfig config{};
    config.OGL.Header = {row.api, {row.width, kOutH}, 1};
    EXPECT_FALSE(ovrHmd_ConfigureRendering(hmd_, &config.Config, kProgramCaps, row.fov, desc_));
  }

  ASSERT_TRUE(Configure(kProgramCaps));
  FillEyes([](int, int, int) { return Rgb{255, 255, 255}; });
  eyes_[1].OGL.Header.TextureSize = {0, 0};
  Frame();
  EXPECT_EQ(MaxChannel(0, kOutW, 1), 0);  // nothing sensible to sample: black, but still presented
  EXPECT_EQ(swaps_, 1);
}

}  // namespace
