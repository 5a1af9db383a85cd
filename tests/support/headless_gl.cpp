#include "tests/support/headless_gl.h"

#include <SDL.h>

#include <cstdlib>
#include <stdexcept>

namespace quela::test {

HeadlessGl::HeadlessGl(int width, int height) : width_(width), height_(height) {
  // Tests never need a visible window; a display may not even exist.
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    throw std::runtime_error(std::string("SDL video: ") + SDL_GetError());
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  window_ = SDL_CreateWindow("quela-test", 0, 0, width, height,
                             SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window_) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    throw std::runtime_error(std::string("SDL window: ") + SDL_GetError());
  }
  context_ = SDL_GL_CreateContext(window_);
  if (!context_) {
    SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    throw std::runtime_error(std::string("GL context: ") + SDL_GetError());
  }
  SDL_GL_MakeCurrent(window_, context_);
}

HeadlessGl::~HeadlessGl() {
  SDL_GL_MakeCurrent(window_, nullptr);
  SDL_GL_DeleteContext(context_);
  SDL_DestroyWindow(window_);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void HeadlessGl::Swap() { SDL_GL_SwapWindow(window_); }

}  // namespace quela::test
