#pragma once
// A hidden OpenGL 3.3 core context for tests and benchmarks, on SDL's offscreen
// driver (EGL + Mesa llvmpipe) so no display or GPU is needed.
#include <memory>
#include <string>

struct SDL_Window;

namespace quela::test {

class HeadlessGl {
 public:
  // Creates a width x height window with a current GL context. Throws
  // std::runtime_error when no context can be had.
  HeadlessGl(int width = 64, int height = 64);
  ~HeadlessGl();
  HeadlessGl(const HeadlessGl&) = delete;
  HeadlessGl& operator=(const HeadlessGl&) = delete;

  SDL_Window* window() const { return window_; }
  void* context() const { return context_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // Swaps the window's buffers (the default framebuffer's back buffer is read
  // by glReadPixels before the swap).
  void Swap();

 private:
  SDL_Window* window_ = nullptr;
  void* context_ = nullptr;
  int width_;
  int height_;
};

}  // namespace quela::test
