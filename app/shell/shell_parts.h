#pragma once
// What the shell drives: the headset, the window, the renderer, the playback
// graph and the platform. The shell owns the order; each subsystem fills its
// own steps. Every call is made on the main thread.
#include <cstdint>
#include <string>

#include "app/config/config.h"
#include "app/shell/messages.h"

namespace quela {

enum class ScreenshotImage { kMirror, kEyes };

// What the subsystems may ask of the main window. Main thread, except PostMessage (any thread).
class WindowServices {
 public:
  virtual ~WindowServices() = default;
  virtual void PostMessage(std::uint32_t message, WPARAM wParam = 0, LPARAM lParam = 0) = 0;
  virtual void SetTimer(std::uint32_t id, std::uint32_t periodMs) = 0;
  virtual void KillTimer(std::uint32_t id) = 0;
};

class ShellParts {
 public:
  virtual ~ShellParts() = default;

  // Called once, before start-up, with the window the subsystems talk to.
  virtual void AttachWindow(WindowServices& window) = 0;

  // Start-up, in this order.
  virtual bool CreateHMD(bool simulated) = 0;
  virtual bool InitInstance(const std::string& windowTitle) = 0;
  virtual bool InitializeGraphics(const cConfig& config) = 0;
  virtual bool InitializeHMD() = 0;
  virtual bool CreateRendererFilter() = 0;
  virtual bool RegisterRendererFilterClass() = 0;
  virtual bool RegisterRendererFilterProxy() = 0;
  virtual void SetSvpEnabled(bool enabled) = 0;
  virtual void ScheduleSceneLoad() = 0;

  // The main loop.
  virtual bool PreRender(float frameTime) = 0;  // frameTime: the last frame clock; false: skip this frame
  virtual void Render() = 0;
  virtual void PollGamepad() = 0;
  virtual bool IsMinimised() = 0;
  virtual void Sleep(int ms) = 0;
  virtual double RuntimeSeconds() = 0;  // the headset runtime's clock

  // Reached from commands.
  // A menu command of the renderer's (screens, stereo modes); false when it is not one.
  virtual bool HandleCommand(std::uint32_t commandId) = 0;
  // A key of the renderer's (cycling screens, moving the viewer); false when it is not one.
  virtual bool HandleKey(std::uint32_t virtualKey, bool down, float frameDelta) = 0;
  virtual bool GraphBusy() = 0;
  // The playback messages (1025-1027, the playback-timer message) and timers 101 and 102. True when
  // the message brought the end of the video (or its abort).
  virtual bool OnPlaybackMessage(const Msg& msg, bool loopEnabled, const std::string& currentFilePath) = 0;
  virtual void OpenFile(const std::string& path) = 0;
  // Takes the window off the screen; its GL context lives until ReleaseGraphics, so a last screenshot can still be read.
  virtual void DestroyWindow() = 0;
  virtual bool SaveScreenshot(const std::string& path, ScreenshotImage image) = 0;
  // Turns the simulated headset to this pose (degrees); no effect on a real headset.
  virtual void SetHeadPose(float yawDegrees, float pitchDegrees, float rollDegrees) = 0;
  // A modal box where a display exists; without one the text goes to standard error.
  virtual void ShowMessageBox(const std::string& title, const std::string& text) = 0;

  // Shutdown, in this order; each is safe after any partial start.
  virtual void ReleaseCursor() = 0;
  virtual void TeardownGraph() = 0;
  virtual void ReleaseRendererFilter() = 0;
  virtual void RevokeRendererFilterClass() = 0;
  virtual void ReleaseGraphics() = 0;
  virtual void DestroyHMD() = 0;
};

}  // namespace quela
