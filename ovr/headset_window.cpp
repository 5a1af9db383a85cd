#include "ovr/headset_window.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include "app/log/g2log.h"

namespace quela::ovr {

std::vector<DisplayInfo> ListDisplays() {
  std::vector<DisplayInfo> displays;
  const int count = SDL_GetNumVideoDisplays();
  for (int i = 0; i < count; ++i) {
    SDL_Rect bounds{};
    SDL_GetDisplayBounds(i, &bounds);
    const char* name = SDL_GetDisplayName(i);
    displays.push_back({name ? name : "", bounds.w, bounds.h});
  }
  return displays;
}

std::unique_ptr<HeadsetWindow> HeadsetWindow::Open(int display, SDL_Window* mainWindow, ovrSizei panel, bool srgb) {
  std::unique_ptr<HeadsetWindow> output(new HeadsetWindow);
  output->mainWindow_ = mainWindow;
  output->context_ = SDL_GL_GetCurrentContext();
  output->size_ = panel;
  output->srgb_ = srgb;
  if (!mainWindow || !output->context_) {
    LOG(WARNING) << "Headset output not opened: the program's window has no current GL context";
    return nullptr;
  }
  SDL_Rect bounds{};
  SDL_GetDisplayBounds(display, &bounds);
  if ((bounds.w > bounds.h) != (panel.w > panel.h))
    LOGF(WARNING, "Headset display %d is %dx%d, the picture %dx%d: turn the display (xrandr --rotate) to match",
         display, bounds.w, bounds.h, panel.w, panel.h);
  // The headset's window uses the same pixel format as the program's, so one context draws both.
  output->window_ = SDL_CreateWindow("Quela - Headset", bounds.x, bounds.y, bounds.w, bounds.h,
                                     SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_FULLSCREEN_DESKTOP |
                                         SDL_WINDOW_SKIP_TASKBAR);
  if (!output->window_ || SDL_GL_MakeCurrent(output->window_, output->context_) != 0) {
    LOGF(WARNING, "Headset output window not opened on display %d: %s", display, SDL_GetError());
    SDL_GL_MakeCurrent(mainWindow, output->context_);
    return nullptr;
  }
  // The headset's refresh paces the frames, as the runtime does on every platform; the mirror must
  // not wait for the desktop's refresh as well (some drivers keep one interval per context).
  SDL_GL_SetSwapInterval(1);
  SDL_GL_MakeCurrent(mainWindow, output->context_);
  SDL_GL_SetSwapInterval(0);

  GLint previous = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);
  glGenTextures(1, &output->colour_);
  glBindTexture(GL_TEXTURE_2D, output->colour_);
  glTexImage2D(GL_TEXTURE_2D, 0, srgb ? GL_SRGB8_ALPHA8 : GL_RGBA8, panel.w, panel.h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glGenFramebuffers(1, &output->framebuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, output->framebuffer_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, output->colour_, 0);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
  if (!complete) {
    LOG(WARNING) << "Headset output not opened: its framebuffer is incomplete";
    return nullptr;
  }
  const char* name = SDL_GetDisplayName(display);
  LOGF(INFO, "Headset output on display %d (%s, %dx%d)", display, name ? name : "unnamed", bounds.w, bounds.h);
  return output;
}

HeadsetWindow::~HeadsetWindow() {
  glDeleteFramebuffers(1, &framebuffer_);
  glDeleteTextures(1, &colour_);
  if (window_) SDL_DestroyWindow(window_);
}

void HeadsetWindow::Show(bool mirror, unsigned int mirrorFramebuffer) {
  GLint draw = 0, read = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw);
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read);
  const GLboolean srgbWrites = glIsEnabled(GL_FRAMEBUFFER_SRGB), scissor = glIsEnabled(GL_SCISSOR_TEST);
  // Copies keep the encoded values as they are.
  glDisable(GL_FRAMEBUFFER_SRGB);
  glDisable(GL_SCISSOR_TEST);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);

  SDL_GL_MakeCurrent(window_, context_);
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(window_, &w, &h);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  glBlitFramebuffer(0, 0, size_.w, size_.h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_LINEAR);
  SDL_GL_SwapWindow(window_);
  SDL_GL_MakeCurrent(mainWindow_, context_);

  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, mirrorFramebuffer);
  if (mirror) {
    SDL_GL_GetDrawableSize(mainWindow_, &w, &h);
    glBlitFramebuffer(0, 0, size_.w, size_.h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_LINEAR);
  } else {
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
  }
  if (srgbWrites) glEnable(GL_FRAMEBUFFER_SRGB);
  if (scissor) glEnable(GL_SCISSOR_TEST);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(read));
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(draw));
}

}  // namespace quela::ovr
