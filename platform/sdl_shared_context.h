#pragma once
// The frame renderer's GL context: in the share group of the main window's
// context, on a hidden 1x1 window of its own, so the streaming thread can draw
// into textures the render loop samples.
#include "playback/renderer/shared_gl_context.h"

struct SDL_Window;

namespace quela {

class SdlSharedContext : public SharedGlContext {
 public:
  // The main context must be current on the calling thread; it is current again afterwards.
  // Throws std::runtime_error when no shared context can be made.
  SdlSharedContext(SDL_Window* mainWindow, void* mainContext);
  ~SdlSharedContext() override;
  SdlSharedContext(const SdlSharedContext&) = delete;
  SdlSharedContext& operator=(const SdlSharedContext&) = delete;

  bool MakeCurrent() override;
  void ReleaseCurrent() override;

 private:
  SDL_Window* window_ = nullptr;
  void* context_ = nullptr;
  // What the thread holding this context had current before; one holder at a time.
  SDL_Window* previousWindow_ = nullptr;
  void* previousContext_ = nullptr;
};

}  // namespace quela
