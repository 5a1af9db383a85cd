#include "platform/sdl_platform.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "platform/sdl_message_queue.h"

namespace quela {

SdlPlatform::SdlPlatform(bool headless) : headless_(headless) {
  if (headless_) setenv("SDL_VIDEODRIVER", "offscreen", 1);
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
  if (SDL_Init(SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) error_ = SDL_GetError();
  videoReady_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  if (!videoReady_ && !headless_) {
    // No usable display: carry on without one, as a headless run would.
    error_ = SDL_GetError();
    headless_ = true;
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    videoReady_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  }
  if (!videoReady_) error_ = SDL_GetError();
  queue_ = std::make_unique<SdlMessageQueue>();
}

SdlPlatform::~SdlPlatform() {
  DestroyMainWindow();
  queue_.reset();
  SDL_Quit();
}

MessageQueue& SdlPlatform::Queue() { return *queue_; }

void SdlPlatform::SetRightDragHandler(std::function<void(int dx, int dy)> handler) {
  queue_->onRightDrag = std::move(handler);
}

bool SdlPlatform::CreateMainWindow(const std::string& title, int width, int height) {
  if (!videoReady_) return false;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  const Uint32 flags = SDL_WINDOW_OPENGL | (headless_ ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN);
  window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height, flags);
  if (!window_) error_ = SDL_GetError();
  return window_ != nullptr;
}

void SdlPlatform::HideWindow() {
  if (window_) SDL_HideWindow(window_);
}

void SdlPlatform::DestroyMainWindow() {
  if (glContext_) SDL_GL_DeleteContext(glContext_);
  glContext_ = nullptr;
  if (window_) SDL_DestroyWindow(window_);
  window_ = nullptr;
}

bool SdlPlatform::IsMinimised() const {
  return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) != 0;
}

void SdlPlatform::Resize(int width, int height) {
  if (window_) SDL_SetWindowSize(window_, width, height);
}

bool SdlPlatform::CreateContext(bool srgb, int samples) {
  if (!window_) {
    error_ = "no window";
    return false;
  }
  SDL_GL_SetAttribute(SDL_GL_FRAMEBUFFER_SRGB_CAPABLE, srgb ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, samples > 1 ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples > 1 ? samples : 0);
  glContext_ = SDL_GL_CreateContext(window_);
  if (!glContext_ && srgb) {
    // Some drivers have no sRGB-capable visual: fall back to a plain one.
    SDL_GL_SetAttribute(SDL_GL_FRAMEBUFFER_SRGB_CAPABLE, 0);
    glContext_ = SDL_GL_CreateContext(window_);
  }
  if (!glContext_) {
    error_ = SDL_GetError();
    return false;
  }
  SDL_GL_MakeCurrent(window_, glContext_);
  // The headset runtime paces frames itself; waiting for the desktop's vblank would add latency.
  SDL_GL_SetSwapInterval(0);
  return true;
}

bool SdlPlatform::FramebufferIsSrgb() const {
  int capable = 0;
  return glContext_ && SDL_GL_GetAttribute(SDL_GL_FRAMEBUFFER_SRGB_CAPABLE, &capable) == 0 && capable != 0;
}

void SdlPlatform::Swap() {
  if (window_) SDL_GL_SwapWindow(window_);
}

void SdlPlatform::ShowMessageBox(const std::string& title, const std::string& text) {
  // A headless run has nobody to press OK: never block on a box there.
  if (!headless_ && SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), window_) == 0)
    return;
  std::fprintf(stderr, "%s\n%s\n", title.c_str(), text.c_str());
}

void SdlPlatform::Sleep(int ms) { SDL_Delay(static_cast<Uint32>(ms)); }

void SdlPlatform::KeepDisplayOn() { SDL_DisableScreenSaver(); }

}  // namespace quela
