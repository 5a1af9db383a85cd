#include "app/shell/quela_singleton.h"

#include <xmmintrin.h>

#include "app/log/g2log.h"
#include "app/shell/system_info.h"

namespace quela {
namespace {

constexpr char kHmdDownloadAddress[] = "http://www.openhmd.net/";

}  // namespace

cQuelaSingleton::cQuelaSingleton(ShellParts& parts, MessageQueue& queue, g2::LogWorker* logWorker,
                                 ShellSettings settings)
    : parts_(parts),
      queue_(queue),
      logWorker_(logWorker),
      settings_(std::move(settings)),
      config_(std::make_unique<cConfig>()),
      script_(settings_.script) {
  parts_.AttachWindow(*this);
}

int cQuelaSingleton::Run() {
  PreInit();
  if (!CreateHMD()) {
    parts_.ShowMessageBox("Quela - Oculus Rift not detected",
                          std::string("Oculus Rift not detected. Oculus Rift may not be plugged in or you need to "
                                      "install Latest Oculus Rift Runtime available from ") +
                              kHmdDownloadAddress);
    Shutdown();
    return kStartFailedExitCode;
  }
  LOG(INFO) << "HMD Created";
  if (!InitInstance()) {
    parts_.ShowMessageBox("Quela - InitInstance()", "Failed to create Window");
    Shutdown();
    return kStartFailedExitCode;
  }
  LOG(INFO) << "Window Created!";
  if (!Initialize()) {
    Shutdown();
    return kStartFailedExitCode;
  }
  LOG(INFO) << "Quela Initialized!";
  const int exitCode = MainLoop();
  if (!settings_.options.screenshotPath.empty())
    parts_.SaveScreenshot(settings_.options.screenshotPath, ScreenshotImage::kMirror);
  Shutdown();
  return exitCode;
}

void cQuelaSingleton::PreInit() {
  if (logWorker_) g2::initializeLogging(logWorker_);
  const std::string version = ProductVersionText();
  if (version.empty())
    LOG(INFO) << "Quela";
  else
    LOGF(INFO, "Quela < %s >", version.c_str());
  LOGF(INFO, "Linux Version < %s >", OperatingSystemText().c_str());
  config_ = LoadINIFileConfig(settings_.iniPath);
}

bool cQuelaSingleton::CreateHMD() {
  LOG(INFO) << "Creating HMD...";
  // Denormal results cost hundreds of cycles each in the per-frame maths.
  _mm_setcsr(_mm_getcsr() | _MM_FLUSH_ZERO_ON | 0x0040 /* denormals are zero */);
  LOG(INFO) << "Set Denormals";
  const bool simulated = settings_.options.hmd ? *settings_.options.hmd == HmdChoice::kSimulated
                                               : config_->simulatedHmd;
  return parts_.CreateHMD(simulated);
}

bool cQuelaSingleton::InitInstance() {
  const std::string version = ProductVersionText();
  const std::string title = version.empty() ? "Quela" : "Quela   " + version;
  if (!parts_.InitInstance(title)) {
    LOG(WARNING) << "Window Could not be Created!";
    return false;
  }
  return true;
}

bool cQuelaSingleton::Initialize() {
  if (!parts_.InitializeGraphics(*config_)) {
    LOG(WARNING) << "DirectX Initialize() FAILED";
    parts_.ShowMessageBox("Quela - DirectX Initialize()", "Failed to Initialize");
    return false;
  }
  if (!parts_.InitializeHMD()) {
    LOG(WARNING) << "Oculus Initialize() FAILED";
    parts_.ShowMessageBox("Quela - Oculus Initialize()", "Failed to Initialize");
    return false;
  }
  parts_.CreateRendererFilter();
  if (!parts_.RegisterRendererFilterClass()) {
    LOG(WARNING) << "CoRegisterClassObject CLSID_Direct2DVideoRenderer FAILED";
    parts_.ShowMessageBox("Quela - CoRegisterClassObject()", "Failed to create instance of render filter");
    return false;
  }
  if (!parts_.RegisterRendererFilterProxy()) {
    LOG(WARNING) << "CoRegisterPSClsid CLSID_Direct2DVideoRenderer FAILED";
    parts_.ShowMessageBox("Quela - CoRegisterPSClsid()", "Failed to register instance of render filter");
    return false;
  }
  parts_.SetSvpEnabled(config_->svpEnabledOnStart);
  // An untimed run plays the video once: its end ends the run.
  loopEnabled_ = config_->defaultLoop && !settings_.options.untimed;
  // A video named on the command line wins over the configured one.
  const std::string& autoload =
      settings_.options.videoPath.empty() ? config_->autoloadVideoFilePath : settings_.options.videoPath;
  if (!autoload.empty()) {
    currentFilePath_ = autoload;
    SetTimer(kAutoloadTimer, 1000);
  }
  parts_.ScheduleSceneLoad();
  return true;
}

int cQuelaSingleton::MainLoop() {
  loopStartSeconds_ = parts_.RuntimeSeconds();
  Msg msg;
  PeekMessage(msg, false);
  while (msg.message != WM_QUIT) {
    RunDueScriptCommands();
    if (PeekMessage(msg, true)) {
      WndProc(msg);
      continue;
    }
    if (parts_.PreRender(frameTime_)) {
      FrameClock();
      parts_.Render();
      ++renderedFrames_;
      if (settings_.options.frames && renderedFrames_ == *settings_.options.frames) PostMessage(WM_CLOSE);
      parts_.Sleep(1);
    }
    if (parts_.IsMinimised()) parts_.Sleep(10);
  }
  return static_cast<int>(msg.wParam);
}

void cQuelaSingleton::FrameClock() {
  const float now = static_cast<float>(parts_.RuntimeSeconds());
  frameDelta_ = now - frameTime_;
  frameTime_ = now;
  parts_.PollGamepad();
}

void cQuelaSingleton::Shutdown() {
  if (logWorker_) g2::detachLogging();
  logWorker_ = nullptr;
  parts_.ReleaseCursor();
  parts_.TeardownGraph();
  parts_.ReleaseRendererFilter();
  parts_.RevokeRendererFilterClass();
  parts_.ReleaseGraphics();
  parts_.DestroyHMD();
}

LRESULT cQuelaSingleton::WndProc(const Msg& msg) {
  switch (msg.message) {
    case WM_TIMER:
      if (msg.wParam == kAutoloadTimer)
        OnAutoloadTimer();
      else if (msg.wParam == kKeepDisplayOnTimer || msg.wParam == kTimeTextTimer)
        parts_.OnPlaybackMessage(msg, loopEnabled_, currentFilePath_);
      return 0;
    case WM_USER_PLAYPAUSE:
    case WM_USER_SEEKPERCENT:
    case WM_USER_PLAYBACKTIMERS:
      parts_.OnPlaybackMessage(msg, loopEnabled_, currentFilePath_);
      return 0;
    case WM_USER_GRAPHNOTIFY:
      // The end of the video, or its abort, ends an untimed run.
      if (parts_.OnPlaybackMessage(msg, loopEnabled_, currentFilePath_) && settings_.options.untimed)
        PostMessage(WM_CLOSE);
      return 0;
    case WM_COMMAND:
      if ((msg.wParam & 0xFFFF) == IDM_EXIT)
        CloseWindow();
      else
        parts_.HandleCommand(static_cast<std::uint32_t>(msg.wParam & 0xFFFF));
      return 0;
    case WM_KEYDOWN:
      if (msg.wParam == VK_ESCAPE)
        PostQuitMessage(0);
      else
        parts_.HandleKey(static_cast<std::uint32_t>(msg.wParam), true, frameDelta_);
      return 0;
    case WM_KEYUP:
      parts_.HandleKey(static_cast<std::uint32_t>(msg.wParam), false, frameDelta_);
      return 0;
    case WM_CLOSE:
      CloseWindow();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return 0;
  }
}

void cQuelaSingleton::CloseWindow() {
  if (windowClosed_) return;
  windowClosed_ = true;
  parts_.DestroyWindow();
  WndProc(Msg{WM_DESTROY, 0, 0});
}

void cQuelaSingleton::OnAutoloadTimer() {
  if (!parts_.GraphBusy() && !currentFilePath_.empty()) parts_.OpenFile(currentFilePath_);
  KillTimer(kAutoloadTimer);
}

void cQuelaSingleton::PostMessage(std::uint32_t message, WPARAM wParam, LPARAM lParam) {
  queue_.Post(Msg{message, wParam, lParam});
}

void cQuelaSingleton::PostQuitMessage(int exitCode) {
  PostMessage(WM_QUIT, static_cast<WPARAM>(exitCode));
}

void cQuelaSingleton::SetTimer(std::uint32_t id, std::uint32_t periodMs) { timers_.Set(id, periodMs, NowMs()); }

void cQuelaSingleton::KillTimer(std::uint32_t id) { timers_.Kill(id); }

bool cQuelaSingleton::PeekMessage(Msg& msg, bool remove) {
  if (queue_.Peek(msg, remove)) return true;
  // Timers are the lowest-priority input: delivered only when nothing else waits.
  if (!remove) return false;
  if (const auto id = timers_.TakeDue(NowMs())) {
    msg = Msg{WM_TIMER, *id, 0};
    return true;
  }
  return false;
}

double cQuelaSingleton::NowMs() { return parts_.RuntimeSeconds() * 1000.0; }

void cQuelaSingleton::RunDueScriptCommands() {
  for (ScriptCommand& command : script_.Due(parts_.RuntimeSeconds() - loopStartSeconds_))
    dueScript_.push_back(std::move(command));
  while (!dueScript_.empty()) {
    const ScriptCommand& command = dueScript_.front();
    switch (command.verb) {
      case ScriptVerb::kKey:
        PostMessage(command.Word(1) == "down" ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(command.Integer(0)));
        break;
      case ScriptVerb::kMenu:
        PostMessage(WM_COMMAND, static_cast<WPARAM>(command.Integer(0)));
        break;
      case ScriptVerb::kPost:
        PostMessage(static_cast<std::uint32_t>(command.Integer(0)), static_cast<WPARAM>(command.Integer(1)),
                    static_cast<LPARAM>(command.Integer(2)));
        break;
      case ScriptVerb::kQuit:
        PostMessage(WM_CLOSE);
        break;
      case ScriptVerb::kScreenshot:
      case ScriptVerb::kPose: {
        // These act at once: first let the input posted before them take effect.
        Msg waiting;
        if (queue_.Peek(waiting, false)) return;
        if (command.verb == ScriptVerb::kPose)
          parts_.SetHeadPose(static_cast<float>(command.Decimal(0)), static_cast<float>(command.Decimal(1)),
                             static_cast<float>(command.Decimal(2)));
        else
          parts_.SaveScreenshot(command.Word(0), command.args.size() > 1 && command.Word(1) == "eyes"
                                                     ? ScreenshotImage::kEyes
                                                     : ScreenshotImage::kMirror);
        break;
      }
    }
    dueScript_.pop_front();
  }
}

}  // namespace quela
