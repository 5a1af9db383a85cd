#pragma once
// cDirectX: the renderer. Owns the GL device of the main window, the shared
// render states, the toolkit objects and the seven screen models; each frame
// it draws both eyes into the headset's shared eye target and hands them to
// the runtime, which distorts and presents.
// Thread: main thread only, except where a member says otherwise.
#include <array>
#include <atomic>
#include <memory>
#include <string>

#include "app/config/config.h"
#include "hmd/oculus.h"
#include "render/frame_statistics.h"
#include "render/gl_surface.h"
#include "render/screen/screen_state.h"
#include "toolkit/common_states.h"
#include "toolkit/device.h"
#include "toolkit/device_context.h"
#include "toolkit/dgsl_effect.h"
#include "toolkit/effect_factory.h"
#include "toolkit/effects.h"
#include "toolkit/model.h"
#include "toolkit/sprite_batch.h"
#include "toolkit/sprite_font.h"

namespace quela {

// The toolkit's three default light directions.
inline constexpr std::array<toolkit::Vector3, 3> kDefaultLightDirections = {
    toolkit::Vector3{-0.5265408f, -0.5735765f, -0.6275069f}, toolkit::Vector3{0.7198464f, 0.3420201f, 0.6040227f},
    toolkit::Vector3{0.4545195f, -0.7660444f, 0.4545195f}};

// The default lights turned half way round the Y axis, towards the viewer.
std::array<toolkit::Vector3, 3> ViewerFacingLightDirections();

class cDirectX {
 public:
  // post reaches the main window's queue (the default screen is chosen through the menu command).
  cDirectX(cOculus& oculus, GlSurface& surface, ScreenState::PostMessageFn post);
  ~cDirectX();

  // Creates the context on the main window (sized to the headset), picks the gamma path, builds
  // the states, sprite batch, font, effects and screen models, and applies the defaults. False
  // after logging the failing step; a missing asset file throws the loader's exception.
  bool Initialize(const cConfig& config);
  // Try-locks FrameLock; completes the headset's configuration on the first frames, begins the
  // runtime frame and clears. True: FrameLock is held and Render must follow.
  bool PreRender(float frameTime);
  // Draws each eye in the runtime's order, releases FrameLock once the video textures are read, and
  // ends the runtime frame.
  void Render();
  // Writes a PNG of the distorted mirror image (drawing one more frame) or of the eye target.
  bool SaveScreenshot(const std::string& path, bool eyes);
  void Release();

  ScreenState& Screen() { return screen_; }
  bool gammaCorrect() const { return gammaCorrect_; }
  int sampleCount() const { return sampleCount_; }
  const std::string& StatsText() const { return statistics_.Text(); }
  const std::array<ovrPosef, 2>& RenderPoses() const { return renderPose_; }

  // Shown by Ctrl+F. Main thread.
  bool showFrameStatistics = false;
  // The frame renderer's debug text in the video (any thread reads it).
  std::atomic<bool> showDebugInfo{false};

 private:
  static void SwapBuffers(void* self);
  void DrawEye(ovrEyeType eye, int frontBuffer);
  bool CaptureMirror();
  bool CaptureEyes(const std::string& path);

  cOculus& oculus_;
  GlSurface& surface_;
  ScreenState screen_;
  bool mirrorToRift_ = true;  // applied once the headset is configured
  bool gammaCorrect_ = false;
  int sampleCount_ = 1;
  float lastFrameTime_ = 0.0f;
  int width_ = 0;
  int height_ = 0;
  std::array<ovrPosef, 2> renderPose_{};
  std::array<toolkit::Vector3, 3> lightDirections_{};
  FrameStatistics statistics_;
  std::unique_ptr<toolkit::Device> device_;
  std::unique_ptr<toolkit::DeviceContext> context_;
  toolkit::CommonStates states_;
  std::unique_ptr<toolkit::SpriteBatch> spriteBatch_;
  std::unique_ptr<toolkit::SpriteFont> spriteFont_;
  std::unique_ptr<toolkit::DGSLEffectFactory> effectFactory_;
  std::shared_ptr<toolkit::DGSLEffect> defaultEffect_;
  std::array<std::unique_ptr<toolkit::Model>, kScreenTypeCount> screenModels_;
  std::string pendingMirrorShot_;
  bool mirrorShotWritten_ = false;
};

}  // namespace quela
