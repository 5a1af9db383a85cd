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
  fences.MarkRead(front);
  return rgba;
}

}  // namespace quela::test
