#include "render/directx.h"

#include <epoxy/gl.h>

#include <vector>

#include "app/log/g2log.h"
#include "render/png_file.h"

namespace quela {
namespace {

// GL rows run bottom-up; PNG rows top-down.
std::vector<std::uint8_t> ReadBottomUpPixels(int width, int height) {
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
  std::vector<std::uint8_t> image(rows.size());
  const std::size_t stride = static_cast<std::size_t>(width) * 4;
  for (int y = 0; y < height; ++y)
    std::copy_n(rows.data() + (height - 1 - y) * stride, stride, image.data() + y * stride);
  return image;
}

}  // namespace

cDirectX::cDirectX(cOculus& oculus, GlSurface& surface) : oculus_(oculus), surface_(surface) {}

cDirectX::~cDirectX() = default;

bool cDirectX::Initialize(const cConfig& config) {
  config_ = &config;
  const ovrHmd hmd = oculus_.hmd();
  width_ = hmd ? hmd->Resolution.w : 1920;
  height_ = hmd ? hmd->Resolution.h : 1080;
  surface_.Resize(width_, height_);
  if (!surface_.CreateContext(true, sampleCount_)) {
    LOGF(WARNING, "D3D11CreateDevice FAILED, %s", surface_.Error().c_str());
    return false;
  }
  gammaCorrect_ = surface_.FramebufferIsSrgb();
  if (gammaCorrect_)
    LOG(INFO) << "Gamma Correct Rendering Path Selected";
  else
    LOG(INFO) << "Gamma Correct Rendering Path NOT Selected, Device does not support SRGB";
  try {
    device_ = std::make_unique<toolkit::Device>();
    context_ = std::make_unique<toolkit::DeviceContext>(*device_);
  } catch (const std::exception& error) {
    LOGF(WARNING, "D3D11CreateDevice FAILED, %s", error.what());
    return false;
  }
  LOG(INFO) << "CommonStates Created";
  return true;
}

bool cDirectX::PreRender() {
  const ovrHmd hmd = oculus_.hmd();
  if (!hmd || !context_) return false;
  if (!oculus_.hmdValuesCaptured()) {
    oculus_.CaptureHMDValues(HmdOutput{sampleCount_, gammaCorrect_, 0, &cDirectX::SwapBuffers, this},
                             config_ ? config_->mirrorToRift : true);
    if (!oculus_.hmdValuesCaptured()) return false;
  }
  ovrHmd_BeginFrame(hmd, frameIndex_++);
  oculus_.BeginEyeRendering(*context_);
  return true;
}

void cDirectX::Render() {
  const ovrHmd hmd = oculus_.hmd();
  for (int i = 0; i < 2; ++i) {
    const ovrEyeType eye = hmd->EyeRenderOrder[i];
    renderPose_[eye] = ovrHmd_GetEyePose(hmd, eye);
    context_->SetViewport(oculus_.eyeViewport(eye));
  }
  ovrHmd_EndFrame(hmd, renderPose_.data(), &oculus_.eyeTextures()[0].Texture);
  // The runtime drew with its own GL state.
  context_->InvalidateState();
}

bool cDirectX::SaveScreenshot(const std::string& path, bool eyes) {
  if (!context_) return false;
  if (eyes) return CaptureEyes(path);
  pendingMirrorShot_ = path;
  mirrorShotWritten_ = false;
  if (PreRender()) Render();
  pendingMirrorShot_.clear();
  return mirrorShotWritten_;
}

bool cDirectX::CaptureMirror() {
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  return WritePng(pendingMirrorShot_, width_, height_, ReadBottomUpPixels(width_, height_));
}

bool cDirectX::CaptureEyes(const std::string& path) {
  const toolkit::RenderTarget* target = oculus_.renderTarget();
  if (!target) return false;
  glBindFramebuffer(GL_READ_FRAMEBUFFER, target->framebuffer());
  // Render targets keep their top row at GL row 0.
  std::vector<std::uint8_t> image(static_cast<std::size_t>(target->width()) * target->height() * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, target->width(), target->height(), GL_RGBA, GL_UNSIGNED_BYTE, image.data());
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  context_->InvalidateState();
  return WritePng(path, target->width(), target->height(), image);
}

void cDirectX::SwapBuffers(void* self) {
  auto* renderer = static_cast<cDirectX*>(self);
  if (!renderer->pendingMirrorShot_.empty()) renderer->mirrorShotWritten_ = renderer->CaptureMirror();
  renderer->surface_.Swap();
}

void cDirectX::Release() {
  context_.reset();
  device_.reset();
}

}  // namespace quela
