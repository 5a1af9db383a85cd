#include "platform/sdl_shared_context.h"

#include <SDL.h>

#include <stdexcept>
#include <string>

namespace quela {

SdlSharedContext::SdlSharedContext(SDL_Window* mainWindow, void* mainContext) {
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
  window_ = SDL_CreateWindow("quela-frame-renderer", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (window_) context_ = SDL_GL_CreateContext(window_);
  SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
  SDL_GL_MakeCurrent(mainWindow, mainContext);
  if (!context_) {
    if (window_) SDL_DestroyWindow(window_);
    throw std::runtime_error(std::string("shared GL context: ") + SDL_GetError());
  }
}

SdlSharedContext::~SdlSharedContext() {
  SDL_GL_DeleteContext(context_);
  SDL_DestroyWindow(window_);
}

bool SdlSharedContext::MakeCurrent() {
  // SDL keeps the current window and context per thread.
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  void* context = SDL_GL_GetCurrentContext();
  if (SDL_GL_MakeCurrent(window_, context_) != 0) return false;
  previousWindow_ = window;
  previousContext_ = context;
  return true;
}

void SdlSharedContext::ReleaseCurrent() {
  SDL_GL_MakeCurrent(previousWindow_, previousContext_);
  previousWindow_ = nullptr;
  previousContext_ = nullptr;
}

}  // namespace quela
