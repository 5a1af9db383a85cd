#include "hmd/oculus.h"

#include <algorithm>

#include "app/log/g2log.h"

namespace quela {

ovrSizei SharedTargetSize(ovrSizei left, ovrSizei right) { return {left.w + right.w, std::max(left.h, right.h)}; }

EyeLayout SharedEyeLayout(int width, int height) {
  EyeLayout layout{width, height, {}};
  const int half = layout.width / 2;
  layout.viewports[0] = ovrRecti{{0, 0}, {half, layout.height}};
  layout.viewports[1] = ovrRecti{{half + 1, 0}, {half, layout.height}};
  return layout;
}

unsigned int DistortionCaps(bool gammaCorrect) {
  unsigned int caps = ovrDistortionCap_Chromatic | ovrDistortionCap_TimeWarp | ovrDistortionCap_Vignette |
                      ovrDistortionCap_Overdrive | ovrDistortionCap_HqDistortion;
  if (gammaCorrect) caps |= ovrDistortionCap_SRGB;
  return caps;
}

toolkit::Matrix RowVectorProjection(const ovrMatrix4f& m) {
  toolkit::Matrix out;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) out.m[r][c] = m.M[c][r];
  return out;
}

bool cOculus::CreateHMD(bool simulated) {
  ovr_Initialize();
  hmd_ = simulated ? ovrHmd_CreateDebug(ovrHmd_DK2) : ovrHmd_Create(0);
  if (!hmd_) {
    LOG(WARNING) << "Oculus Rift not detected.";
    return false;
  }
  return true;
}

bool cOculus::Initialize(void* window, bool srgb) {
  if (!hmd_) {
    LOG(WARNING) << "Oculus Rift not detected after initial creation.";
    return false;
  }
  ovrHmd_AttachToWindow(hmd_, window, nullptr, nullptr);
  ovrHmd_SetEnabledCaps(hmd_, ovrHmdCap_LowPersistence | ovrHmdCap_DynamicPrediction);
  const ovrSizei left = ovrHmd_GetFovTextureSize(hmd_, ovrEye_Left, hmd_->DefaultEyeFov[0], 1.0f);
  const ovrSizei right = ovrHmd_GetFovTextureSize(hmd_, ovrEye_Right, hmd_->DefaultEyeFov[1], 1.0f);
  const ovrSizei size = SharedTargetSize(left, right);
  try {
    renderTarget_ = std::make_unique<toolkit::RenderTarget>(size.w, size.h, srgb, true);
  } catch (const std::exception& error) {
    LOG(WARNING) << "CreateTexture2D FAILED for texForRenderTarget";
    LOG(WARNING) << error.what();
    return false;
  }
  // The layout follows the size the target really has.
  const EyeLayout layout = SharedEyeLayout(renderTarget_->width(), renderTarget_->height());
  for (int eye = 0; eye < 2; ++eye) {
    ovrGLTextureData& texture = eyeTexture_[eye].OGL;
    texture.Header.API = ovrRenderAPI_OpenGL;
    texture.Header.TextureSize = {layout.width, layout.height};
    texture.Header.RenderViewport = layout.viewports[eye];
    texture.TexId = renderTarget_->color().id();
    const ovrRecti& v = layout.viewports[eye];
    eyeViewport_[eye] = toolkit::Viewport{float(v.Pos.x), float(v.Pos.y), float(v.Size.w), float(v.Size.h), 0, 1};
  }
  fullViewport_ = toolkit::Viewport{0, 0, float(layout.width), float(layout.height), 0, 1};
  LOG(INFO) << "Oculus Rift Pre-Initialized";
  return true;
}

void cOculus::CaptureHMDValues(const HmdOutput& output, bool mirrorToRift) {
  if (!hmd_) return;
  ovrGLConfig config{};
  config.OGL.Header.API = ovrRenderAPI_OpenGL;
  config.OGL.Header.RTSize = hmd_->Resolution;
  config.OGL.Header.Multisample = output.multisample;
  config.OGL.Framebuffer = output.framebuffer;
  config.OGL.SwapBuffers = output.swapBuffers;
  config.OGL.SwapBuffersUser = output.swapBuffersUser;
  if (!ovrHmd_ConfigureRendering(hmd_, &config.Config, DistortionCaps(output.gammaCorrect), hmd_->DefaultEyeFov,
                                 eyeRenderDesc_.data())) {
    LOG(WARNING) << "ovrHmd_ConfigureRendering FAILED";
    return;
  }
  if (!ovrHmd_ConfigureTracking(hmd_, ovrTrackingCap_Orientation | ovrTrackingCap_MagYawCorrection |
                                          ovrTrackingCap_Position,
                                0))
    LOG(WARNING) << "ovrHmd_ConfigureTracking FAILED";
  for (int eye = 0; eye < 2; ++eye)
    eyeProjection_[eye] = RowVectorProjection(ovrMatrix4f_Projection(eyeRenderDesc_[eye].Fov, kZNear, kZFar, ovrTrue));
  LOG(INFO) << "Oculus Rift Fully Initialized";
  hmdValuesCaptured_ = true;
  SetMirrorToMonitor(mirrorToRift);
}

void cOculus::BeginEyeRendering(toolkit::DeviceContext& context) {
  context.SetRenderTarget(*renderTarget_);
  context.SetViewport(fullViewport_);
  context.Clear(toolkit::Color{0, 0, 0, 1}, 1.0f);
}

void cOculus::SetMirrorToMonitor(bool on) {
  unsigned int caps = ovrHmdCap_DynamicPrediction;
  if (lowPersistence_) caps |= ovrHmdCap_LowPersistence;
  if (!on) caps |= ovrHmdCap_NoMirrorToWindow;
  SendCaps(caps);
  Show(on ? "Mirrored to Monitor" : "Not Mirrored to Monitor");
  mirrorToMonitor_ = on;
}

void cOculus::SetLowPersistence(bool on) {
  unsigned int caps = ovrHmdCap_DynamicPrediction;
  if (!mirrorToMonitor_) caps |= ovrHmdCap_NoMirrorToWindow;
  if (on) caps |= ovrHmdCap_LowPersistence;
  SendCaps(caps);
  Show(on ? "Low Persistance Enabled" : "Low Persistance Disabled");
  lowPersistence_ = on;
}

void cOculus::Release() { renderTarget_.reset(); }

void cOculus::Destroy() {
  if (hmd_) ovrHmd_Destroy(hmd_);
  hmd_ = nullptr;
  hmdValuesCaptured_ = false;
}

void cOculus::SendCaps(unsigned int caps) {
  if (hmd_) ovrHmd_SetEnabledCaps(hmd_, caps);
}

void cOculus::Show(const char* text) {
  if (showStatusText)
    showStatusText(text);
  else
    LOG(INFO) << text;
}

}  // namespace quela
