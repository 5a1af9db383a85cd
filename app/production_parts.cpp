#include "app/production_parts.h"

#include "app/log/g2log.h"
#include "playback/sink/d2d_video_render.h"
#include "ovr/OVR_CAPI.h"
#include "ovr/ovr_extensions.h"
#include "render/screen/screen_commands.h"

namespace quela {

ProductionParts::ProductionParts(SdlPlatform& platform)
    : platform_(platform),
      directx_(oculus_, platform, [&queue = platform.Queue()](std::uint32_t message, WPARAM wParam, LPARAM lParam) {
        queue.Post(Msg{message, wParam, lParam});
      }) {
  // Dragging with the right mouse button turns the simulated headset, a fifth of a degree per pixel.
  platform_.SetRightDragHandler([this](int dx, int dy) {
    ovrHmd_TurnSimulated(oculus_.hmd(), -0.2f * static_cast<float>(dx), -0.2f * static_cast<float>(dy));
  });
}

ProductionParts::~ProductionParts() = default;

void ProductionParts::AttachWindow(WindowServices& window) { window_ = &window; }

bool ProductionParts::CreateHMD(bool simulated) { return oculus_.CreateHMD(simulated); }

// The window shows the headset's picture, so it takes the headset's resolution from the start
// (an offscreen surface keeps the size it was created with).
bool ProductionParts::InitInstance(const std::string& windowTitle) {
  const ovrHmd hmd = oculus_.hmd();
  return platform_.CreateMainWindow(windowTitle, hmd ? hmd->Resolution.w : 1920, hmd ? hmd->Resolution.h : 1080);
}

bool ProductionParts::InitializeGraphics(const cConfig& config) {
  config_ = &config;
  return directx_.Initialize(config);
}

bool ProductionParts::InitializeHMD() {
  if (config_) ovrHmd_SetOutputDisplay(oculus_.hmd(), config_->hmdDisplay);
  return oculus_.Initialize(platform_.Window(), directx_.gammaCorrect());
}

bool ProductionParts::CreateRendererFilter() {
  videoSink_ = CreateVideoSink();
  CD2DVideoRender* sink = videoSink_ ? VideoRendererOf(videoSink_.get()) : nullptr;
  if (!sink) return false;
  try {
    frameContext_ = std::make_unique<SdlSharedContext>(platform_.Window(), platform_.GlContext());
  } catch (const std::exception& error) {
    LOG(WARNING) << error.what();
    return false;
  }
  sinkFigures_.sink = sink;
  PlaybackGraphHost host;
  host.postMessage = [this](std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    window_->PostMessage(message, wParam, lParam);
  };
  host.setTimer = [this](std::uint32_t id, std::uint32_t periodMs) { window_->SetTimer(id, periodMs); };
  host.killTimer = [this](std::uint32_t id) { window_->KillTimer(id); };
  host.showMessageBox = [this](const std::string& caption, const std::string& text) { ShowMessageBox(caption, text); };
  host.setLayoutChanged = [this] { directx_.Screen().MarkLayoutChanged(); };
  host.keepDisplayOn = [] { SdlPlatform::KeepDisplayOn(); };
  PlaybackGraphSettings settings;
  if (config_) {
    settings.forceFallbackFilterSelect = config_->forceFallbackFilterSelect;
    settings.svpEnabledOnStart = config_->svpEnabledOnStart;
    settings.svpFilter = config_->svpFilter;
  }
  graph_ = std::make_unique<PlaybackGraph>(std::move(host), settings, videoSink_.get(), &sinkFigures_);

  FrameRendererSettings rendererSettings;
  rendererSettings.gammaCorrect = directx_.gammaCorrect();
  frameRenderer_ = std::make_unique<CD2DRenderer>(
      *frameContext_, FrameRendererShared{directx_.Screen(), graph_->GraphBusyFlag(), directx_.showDebugInfo, sink},
      rendererSettings);
  sink->SetFrameRenderer(frameRenderer_.get());
  return true;
}

// Registering the renderer = making our sink an element type GStreamer can find by name.
bool ProductionParts::RegisterRendererFilterClass() { return videoSink_ && RegisterVideoSinkClass(); }
bool ProductionParts::RegisterRendererFilterProxy() { return VideoSinkFactoryFound(); }
void ProductionParts::SetSvpEnabled(bool enabled) {
  if (graph_) graph_->SetSvpEnabled(enabled);
}
void ProductionParts::ScheduleSceneLoad() {}

bool ProductionParts::PreRender(float frameTime) { return directx_.PreRender(frameTime); }
void ProductionParts::Render() { directx_.Render(); }
void ProductionParts::PollGamepad() {}
bool ProductionParts::IsMinimised() { return platform_.IsMinimised(); }
void ProductionParts::Sleep(int ms) { SdlPlatform::Sleep(ms); }
double ProductionParts::RuntimeSeconds() { return ovr_GetTimeInSeconds(); }

bool ProductionParts::HandleCommand(std::uint32_t commandId) {
  return HandleScreenCommand(directx_.Screen(), commandId);
}

bool ProductionParts::HandleKey(std::uint32_t virtualKey, bool down, float frameDelta) {
  return HandleScreenKey(directx_.Screen(), virtualKey, down, frameDelta);
}

bool ProductionParts::GraphBusy() { return graph_ && graph_->GraphBusy(); }

bool ProductionParts::OnPlaybackMessage(const Msg& msg, bool loopEnabled, const std::string& currentFilePath) {
  if (!graph_) return false;
  switch (msg.message) {
    case WM_USER_PLAYPAUSE:
      graph_->TogglePlayPause();
      break;
    case WM_USER_SEEKPERCENT:
      graph_->SeekToPercent(static_cast<std::int32_t>(msg.wParam));
      break;
    case WM_USER_GRAPHNOTIFY:
      return graph_->HandleGraphEvents(loopEnabled, currentFilePath);
    case WM_USER_PLAYBACKTIMERS:
      graph_->HandlePlaybackTimersMessage(msg.wParam);
      break;
    case WM_TIMER:
      if (msg.wParam == kKeepDisplayOnTimer) graph_->KeepDisplayOn();
      if (msg.wParam == kTimeTextTimer) graph_->UpdateTimeText();
      break;
    default:
      break;
  }
  return false;
}

void ProductionParts::OpenFile(const std::string& path) {
  if (graph_) graph_->OpenFile(path);
}

void ProductionParts::DestroyWindow() { platform_.HideWindow(); }

bool ProductionParts::SaveScreenshot(const std::string& path, ScreenshotImage image) {
  const bool saved = directx_.SaveScreenshot(path, image == ScreenshotImage::kEyes);
  if (!saved) LOGF(WARNING, "Screenshot FAILED, %s", path.c_str());
  return saved;
}

void ProductionParts::SetHeadPose(float yawDegrees, float pitchDegrees, float rollDegrees) {
  ovrHmd_SetSimulatedPose(oculus_.hmd(), yawDegrees, pitchDegrees, rollDegrees);
}

void ProductionParts::ShowMessageBox(const std::string& title, const std::string& text) {
  if (platform_.Headless()) LOG(WARNING) << title << ": " << text;
  platform_.ShowMessageBox(title, text);
}

void ProductionParts::ReleaseCursor() {}
// Shutdown: the log is detached by now, so the file's statistics line goes to standard output.
void ProductionParts::TeardownGraph() {
  if (graph_) graph_->TeardownGraph(StatisticsOutput::kStandardOutput);
}
// No pipeline runs any more: the sink lets go of the frame renderer before it goes.
void ProductionParts::ReleaseRendererFilter() {
  if (CD2DVideoRender* sink = videoSink_ ? VideoRendererOf(videoSink_.get()) : nullptr) sink->SetFrameRenderer(nullptr);
  graph_.reset();
  videoSink_.reset();
  frameRenderer_.reset();
  frameContext_.reset();
}
void ProductionParts::RevokeRendererFilterClass() {}

void ProductionParts::ReleaseGraphics() {
  directx_.Release();
  oculus_.Release();
}

// The runtime frees its GL objects here, so the window's context lives until the platform goes.
void ProductionParts::DestroyHMD() { oculus_.Destroy(); }

}  // namespace quela
