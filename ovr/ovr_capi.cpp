// The runtime's C calls: one ovrHmdStruct per open headset, owning its device and GL objects.

#include <cmath>
#include <memory>

#include "app/log/g2log.h"
#include "ovr/OVR_CAPI.h"
#include "ovr/OVR_CAPI_GL.h"
#include "ovr/distortion_mesh.h"
#include "ovr/distortion_renderer.h"
#include "ovr/fov_math.h"
#include "ovr/headset_window.h"
#include "ovr/hsw_notice.h"
#include "ovr/openhmd_headset.h"
#include "ovr/ovr_extensions.h"
#include "ovr/pose_math.h"
#include "ovr/runtime_clock.h"
#include "ovr/simulated_headset.h"

struct ovrHmdStruct {
  ovrHmdDesc desc;
  std::unique_ptr<quela::ovr::HmdDevice> device;
  unsigned int enabledCaps = ovrHmdCap_LowPersistence | ovrHmdCap_DynamicPrediction;
  unsigned int distortionCaps = 0;
  ovrEyeRenderDesc eyeDesc[ovrEye_Count] = {};
  ovrGLConfigData output = {};
  std::unique_ptr<quela::ovr::DistortionRenderer> renderer;
  // A real headset's own window; without it the picture goes to the program's window.
  std::unique_ptr<quela::ovr::HeadsetWindow> headsetWindow;
  void* window = nullptr;  // the program's, from AttachToWindow
  int outputDisplay = quela::ovr::kAutomaticDisplay;
  bool headsetDisplayMissingLogged = false;
  quela::ovr::HswNotice notice;
  double lastFrameSeconds = -1;
};

namespace {

using namespace quela::ovr;

// The DK2 panel's refresh; the timing figures are estimates for callers that predict.
constexpr double kFrameSeconds = 1.0 / 75.0;

ovrHmdStruct* StateOf(ovrHmd hmd) { return hmd ? hmd->Handle : nullptr; }

ovrHmd Adopt(std::unique_ptr<HmdDevice> device) {
  auto* state = new ovrHmdStruct;
  state->desc = device->Optics().description;
  state->desc.Handle = state;
  state->device = std::move(device);
  return &state->desc;
}

bool Usable(const ovrFovPort& f) {
  return std::isfinite(f.UpTan) && std::isfinite(f.DownTan) && std::isfinite(f.LeftTan) &&
         std::isfinite(f.RightTan) && f.UpTan + f.DownTan > 0 && f.LeftTan + f.RightTan > 0;
}

SimulatedHeadset* SimulatedOf(ovrHmd hmd) {
  ovrHmdStruct* s = StateOf(hmd);
  return s ? dynamic_cast<SimulatedHeadset*>(s->device.get()) : nullptr;
}

// A real headset presents in a window of its own on its display, once that display is found.
void OpenHeadsetWindow(ovrHmdStruct& s) {
  const bool srgb = s.distortionCaps & ovrDistortionCap_SRGB;
  if (s.device->IsSimulated() || (s.headsetWindow && s.headsetWindow->srgb() == srgb)) return;
  s.headsetWindow.reset();
  const std::vector<DisplayInfo> displays = ListDisplays();
  const int display = ChooseHeadsetDisplay(displays, s.desc.Resolution, s.desc.ProductName ? s.desc.ProductName : "",
                                           s.outputDisplay);
  if (display < 0) {
    if (!s.headsetDisplayMissingLogged)
      LOGF(WARNING, "No display of %dx%d found for the headset among %zu; its picture goes to the main window",
           s.desc.Resolution.w, s.desc.Resolution.h, displays.size());
    s.headsetDisplayMissingLogged = true;
    return;
  }
  s.headsetWindow = HeadsetWindow::Open(display, static_cast<SDL_Window*>(s.window), s.output.Header.RTSize, srgb);
}

}  // namespace

extern "C" {

ovrBool ovr_Initialize(void) { return ovrTrue; }

void ovr_Shutdown(void) {}

double ovr_GetTimeInSeconds(void) { return NowSeconds(); }

void ovr_SetTimeSourceForTesting(double (*now)(void* user), void* user) { SetClockForTesting(now, user); }

ovrHmd ovrHmd_Create(int index) {
  if (index < 0) return nullptr;
  std::unique_ptr<HmdDevice> device = OpenOpenHmdHeadset(index);
  return device ? Adopt(std::move(device)) : nullptr;
}

ovrHmd ovrHmd_CreateDebug(ovrHmdType type) {
  if (type != ovrHmd_DK2) return nullptr;
  LOG(INFO) << "Simulated headset: Oculus Rift DK2";
  return Adopt(std::make_unique<SimulatedHeadset>());
}

void ovrHmd_Destroy(ovrHmd hmd) { delete StateOf(hmd); }

ovrBool ovrHmd_AttachToWindow(ovrHmd hmd, void* window, const ovrRecti*, const ovrRecti*) {
  ovrHmdStruct* s = StateOf(hmd);
  if (!s || !window) return ovrFalse;
  s->window = window;
  return ovrTrue;
}

void ovrHmd_SetOutputDisplay(ovrHmd hmd, int display) {
  if (ovrHmdStruct* s = StateOf(hmd)) s->outputDisplay = display;
}

void ovrHmd_SetEnabledCaps(ovrHmd hmd, unsigned int hmdCaps) {
  if (ovrHmdStruct* s = StateOf(hmd)) s->enabledCaps = hmdCaps & ovrHmdCap_Writable_Mask;
}

unsigned int ovrHmd_GetEnabledCaps(ovrHmd hmd) {
  const ovrHmdStruct* s = StateOf(hmd);
  return s ? s->enabledCaps : 0;
}

ovrSizei ovrHmd_GetFovTextureSize(ovrHmd hmd, ovrEyeType, ovrFovPort fov, float pixelsPerDisplayPixel) {
  const ovrHmdStruct* s = StateOf(hmd);
  if (!s || !Usable(fov) || !(pixelsPerDisplayPixel > 0)) return {0, 0};
  return FovTextureSize(fov, s->device->Optics().pixelsPerTanAngle, pixelsPerDisplayPixel);
}

ovrBool ovrHmd_ConfigureRendering(ovrHmd hmd, const ovrRenderAPIConfig* apiConfig,
                                  unsigned int distortionCaps, const ovrFovPort eyeFovIn[2],
                                  ovrEyeRenderDesc eyeRenderDescOut[2]) {
  ovrHmdStruct* s = StateOf(hmd);
  if (!s) return ovrFalse;
  if (!apiConfig) {
    s->renderer.reset();
    return ovrTrue;
  }
  const ovrGLConfigData& gl = reinterpret_cast<const ovrGLConfig*>(apiConfig)->OGL;
  if (gl.Header.API != ovrRenderAPI_OpenGL || gl.Header.RTSize.w <= 0 || gl.Header.RTSize.h <= 0 ||
      !eyeFovIn || !eyeRenderDescOut || !Usable(eyeFovIn[0]) || !Usable(eyeFovIn[1])) {
    LOG(WARNING) << "Distortion rendering refused: needs an OpenGL output of non-zero size and two fields of view";
    return ovrFalse;
  }
  const DeviceOptics& optics = s->device->Optics();
  const ovrSizei size = gl.Header.RTSize;
  const int half = size.w / 2;
  const DistortionMesh meshes[ovrEye_Count] = {
      BuildDistortionMesh(*optics.lens, ovrEye_Left, eyeFovIn[ovrEye_Left], {half, size.h}),
      BuildDistortionMesh(*optics.lens, ovrEye_Right, eyeFovIn[ovrEye_Right], {size.w - half, size.h})};
  auto renderer = DistortionRenderer::Create(meshes, distortionCaps & ovrDistortionCap_Chromatic);
  if (!renderer) return ovrFalse;
  s->renderer = std::move(renderer);
  s->output = gl;
  s->distortionCaps = distortionCaps;
  OpenHeadsetWindow(*s);
  for (int eye = 0; eye < ovrEye_Count; ++eye) {
    ovrEyeRenderDesc& d = s->eyeDesc[eye];
    d.Eye = static_cast<ovrEyeType>(eye);
    d.Fov = eyeFovIn[eye];
    d.DistortedViewport = eye == ovrEye_Left ? ovrRecti{{0, 0}, {half, size.h}}
                                             : ovrRecti{{half, 0}, {size.w - half, size.h}};
    d.PixelsPerTanAngleAtCenter = optics.pixelsPerTanAngle;
    // The view moves opposite to the eye: the left eye sits at -IPD/2.
    d.ViewAdjust = {(eye == ovrEye_Left ? 0.5f : -0.5f) * optics.ipdMetres, 0, 0};
    eyeRenderDescOut[eye] = d;
  }
  return ovrTrue;
}

// Tracking always runs with what the device has; only a missing required cap is an error.
ovrBool ovrHmd_ConfigureTracking(ovrHmd hmd, unsigned int, unsigned int requiredTrackingCaps) {
  const ovrHmdStruct* s = StateOf(hmd);
  return s && !(requiredTrackingCaps & ~s->desc.TrackingCaps) ? ovrTrue : ovrFalse;
}

ovrFrameTiming ovrHmd_BeginFrame(ovrHmd hmd, unsigned int) {
  ovrFrameTiming timing{};
  ovrHmdStruct* s = StateOf(hmd);
  if (!s) return timing;
  const double now = NowSeconds();
  timing.DeltaSeconds =
      s->lastFrameSeconds < 0 ? 0.0f : static_cast<float>(std::fmin(now - s->lastFrameSeconds, 0.1));
  s->lastFrameSeconds = now;
  timing.ThisFrameSeconds = now;
  timing.TimewarpPointSeconds = now + kFrameSeconds * 0.8;
  timing.NextFrameSeconds = now + kFrameSeconds;
  timing.ScanoutMidpointSeconds = now + kFrameSeconds * 1.5;
  timing.EyeScanoutSeconds[ovrEye_Left] = timing.EyeScanoutSeconds[ovrEye_Right] = timing.ScanoutMidpointSeconds;
  // Nobody wears the simulated headset; there is no user profile store, so every user counts as known.
  if (!s->device->IsSimulated()) s->notice.Show(now, false);
  return timing;
}

ovrPosef ovrHmd_GetEyePose(ovrHmd hmd, ovrEyeType) {
  ovrHmdStruct* s = StateOf(hmd);
  return s ? s->device->Pose() : ovrPosef{{0, 0, 0, 1}, {0, 0, 0}};
}

void ovrHmd_EndFrame(ovrHmd hmd, const ovrPosef renderPose[2], const ovrTexture eyeTexture[2]) {
  ovrHmdStruct* s = StateOf(hmd);
  if (!s || !s->renderer || !renderPose || !eyeTexture) return;
  const unsigned int caps = s->distortionCaps;
  const ovrQuatf displayOrientation = (caps & ovrDistortionCap_TimeWarp) ? s->device->Pose().Orientation
                                                                          : Identity();
  bool texturesUsable = true;
  EyeSource eyes[ovrEye_Count];
  for (int eye = 0; eye < ovrEye_Count; ++eye) {
    const ovrGLTextureData& t = reinterpret_cast<const ovrGLTexture&>(eyeTexture[eye]).OGL;
    texturesUsable = texturesUsable && t.Header.TextureSize.w > 0 && t.Header.TextureSize.h > 0;
    eyes[eye].texture = t.TexId;
    if (texturesUsable) {
      eyes[eye].uv = EyeUvFromTangent(s->eyeDesc[eye].Fov, t.Header.TextureSize, t.Header.RenderViewport,
                                      !(caps & ovrDistortionCap_FlipInput));
      eyes[eye].bounds = ViewportUvBounds(t.Header.TextureSize, t.Header.RenderViewport);
    }
    eyes[eye].warp = (caps & ovrDistortionCap_TimeWarp)
                         ? TimewarpRotation(renderPose[eye].Orientation, displayOrientation)
                         : ToMatrix(Identity());
  }
  const double now = NowSeconds();
  s->notice.Update(now);
  // Without a window of its own the headset's output is the main window itself, so "no mirror"
  // means nothing shows.
  const bool mirror = !(s->enabledCaps & ovrHmdCap_NoMirrorToWindow);
  const bool mirrorOff = !s->headsetWindow && !mirror;
  PresentOptions options{};
  options.framebuffer = s->headsetWindow ? s->headsetWindow->Framebuffer() : s->output.Framebuffer;
  options.size = s->output.Header.RTSize;
  options.drawEyes = texturesUsable && !mirrorOff;
  options.vignette = caps & ovrDistortionCap_Vignette;
  options.srgb = caps & ovrDistortionCap_SRGB;
  options.restoreState = !(caps & ovrDistortionCap_NoRestore);
  options.healthNotice = s->notice.Displayed();
  options.healthNoticeDismissible = s->notice.Dismissible(now);
  s->renderer->Present(options, eyes);
  if (s->headsetWindow) s->headsetWindow->Show(mirror, s->output.Framebuffer);
  if (s->output.SwapBuffers) s->output.SwapBuffers(s->output.SwapBuffersUser);
}

void ovrHmd_RecenterPose(ovrHmd hmd) {
  if (ovrHmdStruct* s = StateOf(hmd)) s->device->Recenter();
}

ovrBool ovrHmd_DismissHSWDisplay(ovrHmd hmd) {
  ovrHmdStruct* s = StateOf(hmd);
  return s && s->notice.RequestDismiss(NowSeconds()) ? ovrTrue : ovrFalse;
}

void ovrHmd_GetHSWDisplayState(ovrHmd hmd, ovrHSWDisplayState* hasWarningState) {
  ovrHmdStruct* s = StateOf(hmd);
  if (!s || !hasWarningState) return;
  s->notice.Update(NowSeconds());
  *hasWarningState = s->notice.State();
}

ovrMatrix4f ovrMatrix4f_Projection(ovrFovPort fov, float znear, float zfar, ovrBool rightHanded) {
  return Projection(fov, znear, zfar, rightHanded != ovrFalse);
}

ovrBool ovrHmd_TurnSimulated(ovrHmd hmd, float yawDegrees, float pitchDegrees) {
  SimulatedHeadset* sim = SimulatedOf(hmd);
  if (!sim) return ovrFalse;
  sim->Turn(yawDegrees, pitchDegrees);
  return ovrTrue;
}

ovrBool ovrHmd_SetSimulatedPose(ovrHmd hmd, float yawDegrees, float pitchDegrees, float rollDegrees) {
  SimulatedHeadset* sim = SimulatedOf(hmd);
  if (!sim) return ovrFalse;
  sim->SetPose(yawDegrees, pitchDegrees, rollDegrees);
  return ovrTrue;
}

}  // extern "C"
