#pragma once
// A real headset's own output: a borderless full-screen window on the headset's display, drawn with
// the program's GL context. The runtime distorts into this window's framebuffer object; Show puts
// the picture on the headset and, when mirroring, into the program's window.
// Thread: the one whose GL context is current, for every call including the destructor.

#include <memory>
#include <vector>

#include "ovr/OVR_CAPI.h"
#include "ovr/headset_display.h"

struct SDL_Window;

namespace quela::ovr {

// The desktop's displays in SDL's order (SDL's video subsystem must be running).
std::vector<DisplayInfo> ListDisplays();

class HeadsetWindow {
 public:
  // Opens on SDL display `display`, next to mainWindow whose context is current; srgb: the picture
  // holds sRGB-encoded colour. Null, logged, when the window or its target cannot be made.
  static std::unique_ptr<HeadsetWindow> Open(int display, SDL_Window* mainWindow, ovrSizei panel, bool srgb);
  ~HeadsetWindow();
  HeadsetWindow(const HeadsetWindow&) = delete;
  HeadsetWindow& operator=(const HeadsetWindow&) = delete;

  unsigned int Framebuffer() const { return framebuffer_; }
  bool srgb() const { return srgb_; }
  // Shows the picture on the headset (a buffer swap of its window), then copies it, scaled, into
  // mirrorFramebuffer of the program's window, or clears that black when not mirroring. The GL
  // bindings it touches are put back.
  void Show(bool mirror, unsigned int mirrorFramebuffer);

 private:
  HeadsetWindow() = default;

  SDL_Window* window_ = nullptr;
  SDL_Window* mainWindow_ = nullptr;
  void* context_ = nullptr;
  unsigned int framebuffer_ = 0, colour_ = 0;
  ovrSizei size_{};
  bool srgb_ = false;
};

}  // namespace quela::ovr
