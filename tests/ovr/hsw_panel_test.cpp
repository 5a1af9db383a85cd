#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "ovr/distortion_renderer.h"
#include "ovr/dk2_optics.h"
#include "ovr/hsw_panel_image.h"
#include "tests/support/headless_gl.h"
#include "toolkit/formats/font_rasterizer.h"

namespace {

using namespace quela::ovr;

constexpr int kW = 528, kH = 378;  // the panel in a DK2 eye

bool IsText(const PanelImage& image, int x, int y) {
  const unsigned char* p = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
  return p[0] > 200 && p[1] > 200 && p[2] > 200;
}

// Text pixels inside the frame between rows y0 and y1.
int TextPixels(const PanelImage& image, int y0, int y1) {
  int count = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = 8; x < image.width - 8; ++x) count += IsText(image, x, y);
  return count;
}

TEST(HswPanelImage, ShowsTheWordingAndTheInvitationOnceDismissible) {
  const PanelImage waiting = RenderHswPanel(kW, kH, quela::toolkit::kSystemSansFace, false);
  const PanelImage ready = RenderHswPanel(kW, kH, quela::toolkit::kSystemSansFace, true);
  for (const PanelImage* image : {&waiting, &ready}) {
    ASSERT_TRUE(image->hasText);
    ASSERT_EQ(image->rgba.size(), static_cast<size_t>(kW) * kH * 4);
    EXPECT_TRUE(IsText(*image, 0, 0));                 // the light frame
    EXPECT_FALSE(IsText(*image, 10, kH / 2));          // the dark panel beside the text
    EXPECT_GT(TextPixels(*image, 8, kH * 3 / 4), 2000);  // title and body
  }
  const int bottomBand = kH - kH / 6;
  EXPECT_EQ(TextPixels(waiting, bottomBand, kH - 8), 0);
  EXPECT_GT(TextPixels(ready, bottomBand, kH - 8), 300);
  // Every line fits inside the frame: nothing touches the side margins.
  for (int y = 8; y < kH - 8; ++y) EXPECT_FALSE(IsText(ready, 8, y) || IsText(ready, kW - 9, y)) << y;
}

TEST(HswPanelImage, WithoutItsFaceOrRoomIsAPlainPanel) {
  const PanelImage noFace = RenderHswPanel(kW, kH, "/nonexistent/face.ttf", true);
  EXPECT_FALSE(noFace.hasText);
  EXPECT_EQ(TextPixels(noFace, 8, kH - 8), 0);
  const PanelImage tiny = RenderHswPanel(0, -5, quela::toolkit::kSystemSansFace, true);
  EXPECT_EQ(tiny.width, 16);
  EXPECT_EQ(tiny.rgba.size(), 16u * 16u * 4u);
}

// The notice lands in the middle of both eyes over the picture, pixel for pixel.
TEST(HswPanelFrame, DrawsThePanelInBothEyes) {
  quela::test::HeadlessGl gl(64, 64);
  constexpr int kOutW = 1920, kOutH = 1080;
  const dk2::CatmullRomLens lens;
  const DistortionMesh meshes[ovrEye_Count] = {
      BuildDistortionMesh(lens, ovrEye_Left, dk2::kLeftFov, {kOutW / 2, kOutH}),
      BuildDistortionMesh(lens, ovrEye_Right, dk2::kRightFov, {kOutW / 2, kOutH})};
  auto renderer = DistortionRenderer::Create(meshes, true);
  ASSERT_TRUE(renderer);

  GLuint textures[2] = {}, framebuffer = 0;
  glGenTextures(2, textures);
  std::vector<unsigned char> eye(64 * 64 * 4, 255);
  for (size_t i = 0; i < eye.size(); i += 4) eye[i] = eye[i + 2] = 0;
  glBindTexture(GL_TEXTURE_2D, textures[0]);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, eye.data());
  glBindTexture(GL_TEXTURE_2D, textures[1]);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kOutW, kOutH, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, textures[1], 0);

  EyeSource sources[ovrEye_Count];
  for (EyeSource& source : sources) source = {textures[0], {{0.2f, 0.2f}, {0.5f, 0.5f}}, {{0, 0}, {1, 1}}, {}};
  for (EyeSource& source : sources) source.warp = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  PresentOptions options{framebuffer, {kOutW, kOutH}, true, true, false, false, true, true};
  renderer->Present(options, sources);
  std::vector<unsigned char> out(static_cast<size_t>(kOutW) * kOutH * 4);
  glReadPixels(0, 0, kOutW, kOutH, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
  const PanelImage panel = RenderHswPanel(kW, kH, quela::toolkit::kSystemSansFace, true);
  for (int eyeLeft : {0, kOutW / 2}) {
    const int x0 = eyeLeft + (kOutW / 2 - kW) / 2, yTop = (kOutH - kH) / 2;
    int differing = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        for (int c = 0; c < 3; ++c) {
          const int got = out[(static_cast<size_t>(kOutH - 1 - (yTop + y)) * kOutW + x0 + x) * 4 + c];
          differing += std::abs(got - panel.rgba[(static_cast<size_t>(y) * kW + x) * 4 + c]) > 2;
        }
    EXPECT_EQ(differing, 0) << "eye at " << eyeLeft;
    // Beside the panel the picture shows.
    const unsigned char* beside = &out[(static_cast<size_t>(kOutH / 2) * kOutW + x0 - 20) * 4];
    EXPECT_GT(beside[1], 200);
    EXPECT_LT(beside[0], 30);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteTextures(2, textures);
}

}  // namespace
