#pragma once
// cDirectX: the renderer. Owns the GL device of the main window, draws both
// eyes into the headset's shared eye target each frame and hands them to the
// runtime, which distorts and presents.
// Thread: main thread only.
#include <array>
#include <memory>
#include <string>

#include "app/config/config.h"
#include "hmd/oculus.h"
#include "render/gl_surface.h"
#include "toolkit/device.h"
#include "toolkit/device_context.h"

namespace quela {

class cDirectX {
 public:
  cDirectX(cOculus& oculus, GlSurface& surface);
  ~cDirectX();

  // Creates the context on the main window (sized to the headset), picks the gamma path and
  // builds the device objects. False after logging the failing step.
  bool Initialize(const cConfig& config);
  // Completes the headset's configuration on the first frames, begins the runtime frame and
  // clears the eye target. False: skip this frame.
  bool PreRender();
  // Draws each eye in the runtime's order and ends the runtime frame (distort and present).
  void Render();
  // Writes a PNG of the distorted mirror image (drawing one more frame) or of the eye target.
  bool SaveScreenshot(const std::string& path, bool eyes);
  void Release();

  bool gammaCorrect() const { return gammaCorrect_; }
  int sampleCount() const { return sampleCount_; }
  toolkit::DeviceContext* context() const { return context_.get(); }

 private:
  static void SwapBuffers(void* self);
  bool CaptureMirror();
  bool CaptureEyes(const std::string& path);

  cOculus& oculus_;
  GlSurface& surface_;
  const cConfig* config_ = nullptr;
  bool gammaCorrect_ = false;
  int sampleCount_ = 1;
  int width_ = 0;
  int height_ = 0;
  unsigned int frameIndex_ = 0;
  std::array<ovrPosef, 2> renderPose_{};
  std::unique_ptr<toolkit::Device> device_;
  std::unique_ptr<toolkit::DeviceContext> context_;
  std::string pendingMirrorShot_;
  bool mirrorShotWritten_ = false;
};

}  // namespace quela
