// The least a headset frame can do on this machine: clear the 2364 x 1461 eye target, draw one
// textured quad over each 1182 x 1461 eye from a 1920 x 1080 picture, then warp both eyes into the
// 1920 x 1080 window with three fetches per pixel. frame_time.sh sets the program beside it.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include "bench/support/warp_reference.h"
#include "tests/support/headless_gl.h"

namespace {

constexpr int kTexW = 2364, kTexH = 1461, kEyeW = kTexW / 2;

void RenderLoopReference(benchmark::State& state) {
  quela::test::HeadlessGl gl(1920, 1080);
  const quela::bench::EyeTarget eyes(kTexW, kTexH);
  const GLuint picture = quela::bench::LinearTexture(1920, 1080);
  const GLuint quad = quela::bench::LinkProgram(quela::bench::kViewportQuadShader, R"(#version 330 core
in vec2 v_ndc;
uniform sampler2D u_picture;
out vec4 o_colour;
void main() { o_colour = texture(u_picture, v_ndc * vec2(0.5, -0.5) + 0.5); })");
  GLuint vertexArray = 0;
  glGenVertexArrays(1, &vertexArray);
  {
    const quela::bench::WarpReference warp(3);
    for (auto _ : state) {
      eyes.BindAndClear();
      glUseProgram(quad);
      glBindVertexArray(vertexArray);
      glBindTexture(GL_TEXTURE_2D, picture);
      for (int eye = 0; eye < 2; ++eye) {
        glViewport(eye * (kEyeW + 1), 0, kEyeW, kTexH);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
      }
      glBindFramebuffer(GL_FRAMEBUFFER, 0);
      warp.Draw(eyes.texture(), 1920, 1080);
      glFinish();
      gl.Swap();
    }
  }
  glDeleteVertexArrays(1, &vertexArray);
  glDeleteProgram(quad);
  glDeleteTextures(1, &picture);
}
BENCHMARK(RenderLoopReference)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
