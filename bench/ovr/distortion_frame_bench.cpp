// Wall time of one runtime frame on the headless context: BeginFrame, both eyes of a 2364 x 1461
// target cleared, EndFrame distorting into a 1920 x 1080 window. Run: ovr_distortion_bench
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include "bench/support/warp_reference.h"
#include "ovr/OVR_CAPI.h"
#include "ovr/OVR_CAPI_GL.h"
#include "tests/support/headless_gl.h"

namespace {

constexpr int kTexW = 2364, kTexH = 1461, kEyeW = kTexW / 2;

void FrameTime(benchmark::State& state) {
  const auto caps = static_cast<unsigned int>(state.range(0));
  quela::test::HeadlessGl gl(1920, 1080);
  ovrHmd hmd = ovrHmd_CreateDebug(ovrHmd_DK2);

  const GLuint colour = quela::bench::LinearTexture(kTexW, kTexH);
  GLuint depth = 0, target = 0;
  glGenRenderbuffers(1, &depth);
  glBindRenderbuffer(GL_RENDERBUFFER, depth);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, kTexW, kTexH);
  glGenFramebuffers(1, &target);
  glBindFramebuffer(GL_FRAMEBUFFER, target);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth);

  ovrGLConfig config{};
  config.OGL.Header = {ovrRenderAPI_OpenGL, {1920, 1080}, 1};
  config.OGL.Framebuffer = 0;
  // Waiting for the GPU here makes the loop measure finished frames, not queued ones.
  config.OGL.SwapBuffers = [](void* user) {
    glFinish();
    static_cast<quela::test::HeadlessGl*>(user)->Swap();
  };
  config.OGL.SwapBuffersUser = &gl;
  ovrEyeRenderDesc desc[2];
  if (!ovrHmd_ConfigureRendering(hmd, &config.Config, caps, hmd->DefaultEyeFov, desc)) {
    state.SkipWithError("ConfigureRendering failed");
    return;
  }
  ovrGLTexture eyes[2] = {};
  const ovrRecti viewports[2] = {{{0, 0}, {kEyeW, kTexH}}, {{kEyeW + 1, 0}, {kEyeW, kTexH}}};
  for (int eye = 0; eye < 2; ++eye) {
    eyes[eye].OGL.Header = {ovrRenderAPI_OpenGL, {kTexW, kTexH}, viewports[eye]};
    eyes[eye].OGL.TexId = colour;
  }
  const ovrTexture textures[2] = {eyes[0].Texture, eyes[1].Texture};

  for (auto _ : state) {
    ovrHmd_BeginFrame(hmd, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, target);
    glViewport(0, 0, kTexW, kTexH);
    // Colour only, as in the reference: the program clears depth only for frames that test it.
    glClearColor(0.2f, 0.3f, 0.4f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ovrPosef poses[2];
    for (ovrEyeType eye : hmd->EyeRenderOrder) poses[eye] = ovrHmd_GetEyePose(hmd, eye);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    ovrHmd_EndFrame(hmd, poses, textures);
  }
  ovrHmd_Destroy(hmd);
  glDeleteFramebuffers(1, &target);
  glDeleteRenderbuffers(1, &depth);
  glDeleteTextures(1, &colour);
}

// The same frame without the runtime: the warp of bench/support with one fetch per pixel (the
// target), and with three at the colour channels' own radii (what chromatic aberration costs the
// rasterizer however the coordinates are found); both clears.
void WarpReference(benchmark::State& state) {
  quela::test::HeadlessGl gl(1920, 1080);
  const quela::bench::EyeTarget eyes(kTexW, kTexH);
  const quela::bench::WarpReference warp(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    eyes.BindAndClear();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, 1920, 1080);
    glClear(GL_COLOR_BUFFER_BIT);
    warp.Draw(eyes.texture(), 1920, 1080);
    glFinish();
    gl.Swap();
  }
}
BENCHMARK(WarpReference)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The program's caps (chromatic, time warp, vignette, overdrive, HQ), then one fetch per pixel.
BENCHMARK(FrameTime)->Arg(0x18B)->Arg(0x18A)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
