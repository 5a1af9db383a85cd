#pragma once
// The program's side of the headset: opens it, owns the shared eye target
// that both eyes are drawn into, configures distortion and tracking on the
// first frame, and switches mirroring and low persistence.
// Thread: main thread only (it owns the GL context and calls the runtime).
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "ovr/OVR_CAPI_GL.h"
#include "toolkit/device_context.h"
#include "toolkit/math.h"
#include "toolkit/render_target.h"

namespace quela {

// What the first frame's configuration needs from the graphics device.
struct HmdOutput {
  int multisample = 1;
  bool gammaCorrect = false;         // the sRGB path is selected
  unsigned int framebuffer = 0;      // where the distorted image goes (0: the main window)
  void (*swapBuffers)(void* user) = nullptr;
  void* swapBuffersUser = nullptr;
};

class cOculus {
 public:
  static constexpr float kZNear = 0.1f;
  static constexpr float kZFar = 2000.0f;

  // Status texts for the user ("Mirrored to Monitor"); the renderer connects its ShowStatusText.
  std::function<void(const std::string&)> showStatusText;

  // Opens the first real headset, or the simulated DK2. False when there is none.
  bool CreateHMD(bool simulated);
  // Creates the shared eye target (GL context current). window is recorded by the runtime. srgb: the back-buffer format.
  bool Initialize(void* window, bool srgb);
  // Configures distortion and tracking; on failure hmdValuesCaptured stays false and the next frame retries.
  void CaptureHMDValues(const HmdOutput& output, bool mirrorToRift);
  // Binds the shared eye target, the full viewport, and clears colour to opaque black and depth to 1.
  void BeginEyeRendering(toolkit::DeviceContext& context);
  void SetMirrorToMonitor(bool on);
  void SetLowPersistence(bool on);
  // Frees the eye target (GL context current).
  void Release();
  // Closes the headset (runtime objects need the GL context still current).
  void Destroy();

  ovrHmd hmd() const { return hmd_; }
  bool hmdValuesCaptured() const { return hmdValuesCaptured_; }
  bool mirrorToMonitor() const { return mirrorToMonitor_; }
  bool lowPersistence() const { return lowPersistence_; }
  const ovrEyeRenderDesc& eyeRenderDesc(int eye) const { return eyeRenderDesc_[eye]; }
  const ovrGLTexture* eyeTextures() const { return eyeTexture_.data(); }
  const toolkit::Viewport& eyeViewport(int eye) const { return eyeViewport_[eye]; }
  const toolkit::Viewport& fullViewport() const { return fullViewport_; }
  const toolkit::Matrix& eyeProjection(int eye) const { return eyeProjection_[eye]; }
  const toolkit::RenderTarget* renderTarget() const { return renderTarget_.get(); }

 private:
  void SendCaps(unsigned int caps);
  void Show(const char* text);

  ovrHmd hmd_ = nullptr;
  std::array<ovrEyeRenderDesc, 2> eyeRenderDesc_{};
  std::array<ovrGLTexture, 2> eyeTexture_{};
  std::array<toolkit::Viewport, 2> eyeViewport_{};
  toolkit::Viewport fullViewport_{};
  std::array<toolkit::Matrix, 2> eyeProjection_{};
  std::unique_ptr<toolkit::RenderTarget> renderTarget_;
  bool mirrorToMonitor_ = true;
  bool lowPersistence_ = true;
  bool hmdValuesCaptured_ = false;
};

// The eye layout of a shared target W x H: the right eye begins one pixel past the middle.
struct EyeLayout {
  int width, height;
  std::array<ovrRecti, 2> viewports;
};
EyeLayout SharedEyeLayout(int width, int height);
// The shared target's size for two eye sizes: the widths side by side, the larger height.
ovrSizei SharedTargetSize(ovrSizei left, ovrSizei right);
// The distortion caps asked of the runtime.
unsigned int DistortionCaps(bool gammaCorrect);
// A runtime projection (column vectors) in the row-vector form the renderer uses.
toolkit::Matrix RowVectorProjection(const ovrMatrix4f& m);

}  // namespace quela
