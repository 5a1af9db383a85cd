#pragma once
// The desktop seam on SDL 2: the main window, its message queue, message
// boxes, and sleeping. Only this folder includes SDL.
#include <functional>
#include <memory>
#include <string>

#include "app/shell/message_queue.h"
#include "render/gl_surface.h"

struct SDL_Window;

namespace quela {

class SdlMessageQueue;

class SdlPlatform : public GlSurface {
 public:
  // Starts SDL's event and video parts; headless (or no display) uses the offscreen driver. Main thread.
  explicit SdlPlatform(bool headless);
  ~SdlPlatform();
  SdlPlatform(const SdlPlatform&) = delete;
  SdlPlatform& operator=(const SdlPlatform&) = delete;

  bool Headless() const { return headless_; }
  // False (with SDL's reason in Error()) when video could not start at all.
  bool VideoReady() const { return videoReady_; }
  std::string Error() const override { return error_; }
  MessageQueue& Queue();
  // handler(dx, dy) for each mouse move with the right button held, on the main thread.
  void SetRightDragHandler(std::function<void(int dx, int dy)> handler);

  // An OpenGL window of the given size, hidden when headless.
  bool CreateMainWindow(const std::string& title, int width, int height);
  SDL_Window* Window() const { return window_; }
  void* GlContext() const { return glContext_; }
  void HideWindow();
  void DestroyMainWindow();
  bool IsMinimised() const;

  // GlSurface, for the main window.
  void Resize(int width, int height) override;
  bool CreateContext(bool srgb, int samples) override;
  bool FramebufferIsSrgb() const override;
  void Swap() override;

  // A modal box; headless or when SDL cannot show one, the title and text go to standard error.
  void ShowMessageBox(const std::string& title, const std::string& text);
  static void Sleep(int ms);
  // Keeps the screen saver and display power-off away (while a video plays).
  static void KeepDisplayOn();

 private:
  bool headless_;
  bool videoReady_ = false;
  std::string error_;
  std::unique_ptr<SdlMessageQueue> queue_;
  SDL_Window* window_ = nullptr;
  void* glContext_ = nullptr;
};

}  // namespace quela
