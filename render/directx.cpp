#include "render/directx.h"

#include <epoxy/gl.h>

#include <chrono>
#include <thread>
#include <vector>

#include "app/log/g2log.h"
#include "playback/convert/video_frame_buffer.h"
#include "playback/renderer/frame_fences.h"
#include "toolkit/asset_locator.h"
#include "toolkit/png_file.h"
#include "render/screen/screen_table.h"

namespace quela {
namespace {

using toolkit::Matrix;
using toolkit::Quaternion;
using toolkit::Vector3;

// The bound read framebuffer's pixels, top row first; bottomUp: GL row 0 is the bottom (the window's).
toolkit::Image ReadPixels(int width, int height, bool bottomUp) {
  toolkit::Image image{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4)};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
  if (bottomUp) {
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    for (int y = 0; y < height / 2; ++y)
      std::swap_ranges(image.rgba.begin() + y * stride, image.rgba.begin() + (y + 1) * stride,
                       image.rgba.begin() + (height - 1 - y) * stride);
  }
  return image;
}

std::string BareFileName(std::string_view path) {
  const auto slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

std::array<Vector3, 3> ViewerFacingLightDirections() {
  const Quaternion halfTurnAboutY{0, 1, 0, 0};
  std::array<Vector3, 3> turned{};
  for (std::size_t i = 0; i < turned.size(); ++i) turned[i] = Vector3::Transform(kDefaultLightDirections[i], halfTurnAboutY);
  return turned;
}

cDirectX::cDirectX(cOculus& oculus, GlSurface& surface, ScreenState::PostMessageFn post)
    : oculus_(oculus), surface_(surface), screen_(std::move(post)) {
  // Until the in-headset panel draws them, status texts go to the log.
  screen_.ConnectGui([](const std::string& text) { LOG(INFO) << text; }, {});
}

cDirectX::~cDirectX() = default;

bool cDirectX::Initialize(const cConfig& config) {
  mirrorToRift_ = config.mirrorToRift;
  const ovrHmd hmd = oculus_.hmd();
  width_ = hmd ? hmd->Resolution.w : 1920;
  height_ = hmd ? hmd->Resolution.h : 1080;
  surface_.Resize(width_, height_);
  // Multisampling only helps what is drawn into the window, which is the runtime's distortion pass;
  // the extended-desktop mode never asks for it.
  sampleCount_ = config.multiSampling && !config.extendedDesktop ? 4 : 1;
  if (!surface_.CreateContext(true, sampleCount_) && !(sampleCount_ > 1 && surface_.CreateContext(true, sampleCount_ = 1))) {
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
  spriteBatch_ = std::make_unique<toolkit::SpriteBatch>(*context_);
  LOG(INFO) << "SpriteBatch Created";
  effectFactory_ = std::make_unique<toolkit::DGSLEffectFactory>(*device_);
  const auto roots = toolkit::DefaultAssetRoots();
  effectFactory_->SetDirectory(toolkit::FindAsset("lambert.dgsl.cso", roots).parent_path());
  LOG(INFO) << "DGSLEffectFactory Created";
  spriteFont_ = std::make_unique<toolkit::SpriteFont>(*device_, toolkit::FindAsset("italic.spritefont", roots).string());
  LOG(INFO) << "SpriteFont Created";

  toolkit::EffectInfo info;
  info.name = "default";
  info.ambientColor = {1, 1, 1};
  info.diffuseColor = {1, 1, 1};
  info.pixelShader = "lambert.dgsl.cso";
  defaultEffect_ = effectFactory_->CreateDGSLEffect(info, gammaCorrect_);

  for (const ScreenInfo& screen : kScreens) {
    const std::string name = BareFileName(screen.modelFile);
    LOGF(INFO, "Model[%s] Creating..", name.c_str());
    auto& model = screenModels_[static_cast<int>(screen.type)];
    model = toolkit::Model::CreateFromCMO(*device_, toolkit::FindAsset(std::string(screen.modelFile), roots),
                                          *effectFactory_, gammaCorrect_);
    model->UpdateEffects([](toolkit::IEffect* effect) {
      if (auto* lights = dynamic_cast<toolkit::IEffectLights*>(effect)) lights->SetLightingEnabled(false);
      if (auto* fog = dynamic_cast<toolkit::IEffectFog*>(effect)) fog->SetFogEnabled(false);
    });
    model->Modified();
    LOGF(INFO, "Model[%s] Created!", name.c_str());
  }
  screen_.SetDefaults(config.defaultStereoMode, config.defaultScreenType);
  lightDirections_ = ViewerFacingLightDirections();
  screen_.SetLightDirections(lightDirections_);
  return true;
}

bool cDirectX::PreRender(float frameTime) {
  const ovrHmd hmd = oculus_.hmd();
  if (!hmd || !context_) return false;
  // This frame first clears the eye target that the last frame's distortion reads. Where the GL
  // runs on the processor that clear waits for the distortion; wait here instead, before taking
  // FrameLock, so that the video thread never waits for it too.
  context_->WaitForMark();
  if (!FrameLock.try_lock()) return false;
  lastFrameTime_ = frameTime;
  if (!oculus_.hmdValuesCaptured())
    oculus_.CaptureHMDValues(HmdOutput{sampleCount_, gammaCorrect_, 0, &cDirectX::SwapBuffers, this},
                             mirrorToRift_);
  ovrHmd_BeginFrame(hmd, 0);
  context_->SetDepthStencilState(toolkit::CommonStates::DepthDefault());
  if (showFrameStatistics) statistics_.Update(frameTime);
  context_->SetDefaultRenderTarget(width_, height_, gammaCorrect_);
  // Once the runtime has an output, its distortion writes every pixel of the window (the rim
  // black) and nothing reads the window's depth: the clear could never be seen, and a software
  // rasterizer spends over a millisecond a frame on it.
  if (!oculus_.hmdValuesCaptured()) context_->Clear(toolkit::Color{0, 0, 0, 1}, 1.0f);
  return true;
}

void cDirectX::Render() {
  const ovrHmd hmd = oculus_.hmd();
  oculus_.BeginEyeRendering(*context_);
  const int frontBuffer = videoFrameBuffer.frontBuffer.load();
  frameFences.WaitForDrawing(frontBuffer);  // the streaming thread's drawing into it has run
  for (int i = 0; i < 2; ++i) DrawEye(hmd->EyeRenderOrder[i], frontBuffer);
  frameFences.MarkRead(frontBuffer);
  // The distortion reads only the eye target: the video thread may draw its next frame meanwhile
  // (the fence keeps it off the buffer just read), instead of waiting out the longest pass.
  FrameLock.unlock();
  context_->SetDefaultRenderTarget(width_, height_, gammaCorrect_);
  // Before the first successful capture the runtime has no output and draws nothing.
  ovrHmd_EndFrame(hmd, renderPose_.data(), &oculus_.eyeTextures()[0].Texture);
  context_->InvalidateState();  // the runtime drew with GL state of its own
  context_->Mark();
}

void cDirectX::DrawEye(ovrEyeType eye, int frontBuffer) {
  const ovrPosef pose = ovrHmd_GetEyePose(oculus_.hmd(), eye);
  renderPose_[eye] = pose;
  context_->SetViewport(oculus_.eyeViewport(eye));

  const Quaternion q{pose.Orientation.x, pose.Orientation.y, pose.Orientation.z, pose.Orientation.w};
  const Vector3 eyePos = Vector3{pose.Position.x, pose.Position.y, pose.Position.z} + screen_.viewerPosition();
  const Vector3 up = Vector3::Transform(Vector3{0, 1, 0}, q);
  const Vector3 forward = Vector3::Transform(Vector3{0, 0, -1}, q);
  const ovrVector3f adjust = oculus_.eyeRenderDesc(eye).ViewAdjust;
  const Matrix view = Matrix::CreateTranslation({adjust.x, adjust.y, adjust.z}) *
                      Matrix::CreateLookAt(eyePos, eyePos + forward, up);
  const Matrix& projection = oculus_.eyeProjection(eye);

  if (const auto type = screen_.currentScreenModel()) {
    const toolkit::Model& model = *screenModels_[static_cast<int>(*type)];
    const bool theater = screen_.theaterActive();
    const FrameTexture* entry = &videoFrameBuffer.frameTextures[frontBuffer][eye];
    if (entry->name != 0 && screen_.flip()) entry = &videoFrameBuffer.frameTextures[frontBuffer][1 - eye];
    // A video layout that leaves this eye without a view draws no screen in it this frame.
    const bool drawScreen = videoFrameBuffer.frameTextures[frontBuffer][eye].name == 0 || entry->name != 0;
    if (drawScreen) {
      const unsigned int video = entry->name;
      model.Draw(*context_, states_, screen_.ScreenWorld(), view, projection, false, [&] {
        context_->SetDepthStencilState(theater ? toolkit::CommonStates::DepthDefault()
                                               : toolkit::CommonStates::DepthNone());
        context_->SetSamplerState(0, toolkit::CommonStates::AnisotropicWrap());
        if (video != 0) context_->SetTexture(0, video);
      });
    }
  }

  if (showFrameStatistics) {
    spriteBatch_->Begin();
    spriteFont_->DrawString(*spriteBatch_, statistics_.Text(), {300, 900}, toolkit::Color{1, 1, 0, 1});
    spriteBatch_->End();
  }
}

bool cDirectX::SaveScreenshot(const std::string& path, bool eyes) {
  if (!context_) return false;
  // A fresh frame, so the picture shows every change made so far.
  pendingMirrorShot_ = eyes ? std::string() : path;
  mirrorShotWritten_ = false;
  // The video thread holds FrameLock only while it draws a frame: wait for it rather than miss the shot.
  bool drawn = false;
  for (int attempt = 0; attempt < 200 && !(drawn = PreRender(lastFrameTime_)); ++attempt)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  if (drawn) Render();
  pendingMirrorShot_.clear();
  return eyes ? drawn && CaptureEyes(path) : mirrorShotWritten_;
}

bool cDirectX::CaptureMirror() {
  glFinish();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  return toolkit::WritePngFile(pendingMirrorShot_, ReadPixels(width_, height_, true));
}

bool cDirectX::CaptureEyes(const std::string& path) {
  const toolkit::RenderTarget* target = oculus_.renderTarget();
  if (!target) return false;
  // Mesa's llvmpipe can hand back the previous frame's texels here unless the queue is drained first.
  glFinish();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, target->framebuffer());
  // Render targets keep their top row at GL row 0.
  const toolkit::Image image = ReadPixels(target->width(), target->height(), false);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  context_->InvalidateState();
  return toolkit::WritePngFile(path, image);
}

void cDirectX::SwapBuffers(void* self) {
  auto* renderer = static_cast<cDirectX*>(self);
  if (!renderer->pendingMirrorShot_.empty()) renderer->mirrorShotWritten_ = renderer->CaptureMirror();
  renderer->surface_.Swap();
}

void cDirectX::Release() {
  for (auto& model : screenModels_) model.reset();
  defaultEffect_.reset();
  spriteFont_.reset();
  effectFactory_.reset();
  spriteBatch_.reset();
  context_.reset();
  device_.reset();
}

}  // namespace quela
