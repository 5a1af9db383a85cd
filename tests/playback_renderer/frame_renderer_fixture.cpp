#include "tests/playback_renderer/frame_renderer_fixture.h"

#include <epoxy/gl.h>

namespace quela::test {

FrameRendererShared FrameRendererTest::Shared(VideoQuality* quality) {
  return {screen, graphBusy, showDebugInfo, quality, frames, frameLock, fences, stats, statsRequest};
}

std::unique_ptr<CD2DRenderer> FrameRendererTest::MakeRenderer(float dpi) {
  FrameRendererSettings settings;
  settings.dpiX = settings.dpiY = dpi;
  return std::make_unique<CD2DRenderer>(sharedContext, Shared(), settings);
}

std::vector<std::uint8_t> FrameRendererTest::ReadFrontLocked(int eye) {
  const int front = frames.frontBuffer.load();
  const FrameTexture& texture = frames.EyeTexture(eye, false);
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(texture.width) * texture.height * 4);
  if (texture.name == 0) return {};
  fences.WaitForDrawing(front);
  // Framebuffer objects are not shared: the main context needs its own.
  GLuint framebuffer = 0;
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
  glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture.name, 0);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, texture.width, texture.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &framebuffer);
  // The texels as the render loop's sampler sees them: through the texture's swizzle.
  GLint swizzle[4] = {};
  glBindTexture(GL_TEXTURE_2D, texture.name);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
  glBindTexture(GL_TEXTURE_2D, 0);
  for (std::size_t i = 0; i < rgba.size(); i += 4) {
    const std::uint8_t stored[4] = {rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
    for (int c = 0; c < 4; ++c) {
      const GLint from = swizzle[c];
      rgba[i + c] = from == GL_ONE ? 255 : from == GL_ZERO ? 0 : stored[from == GL_RED ? 0 : from == GL_GREEN ? 1 : from == GL_BLUE ? 2 : 3];
    }
  }
  fences.MarkRead(front);
  return rgba;
}

}  // namespace quela::test
