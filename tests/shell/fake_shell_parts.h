#pragma once
// A ShellParts that records every call and fails where told. Its clock only
// moves when the shell sleeps, so timing tests are exact and instant.
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/shell/shell_parts.h"

namespace quela::test {

class FakeShellParts : public ShellParts {
 public:
  std::vector<std::string> calls;
  std::set<std::string> failing;  // names of steps that return false
  std::vector<std::pair<std::string, std::string>> boxes;
  std::vector<std::string> openedFiles;
  double seconds = 100.0;
  bool minimised = false;
  bool preRenderResult = true;
  std::function<void()> onRender;  // runs inside Render

  void AttachWindow(WindowServices& window) override { attachedWindow = &window; }
  bool CreateHMD(bool simulated) override { return Step(simulated ? "CreateHMD(simulated)" : "CreateHMD"); }
  bool InitInstance(const std::string& title) override { return Step("InitInstance(" + title + ")"); }
  bool InitializeGraphics(const cConfig&) override { return Step("InitializeGraphics"); }
  bool InitializeHMD() override { return Step("InitializeHMD"); }
  bool CreateRendererFilter() override { return Step("CreateRendererFilter"); }
  bool RegisterRendererFilterClass() override { return Step("RegisterRendererFilterClass"); }
  bool RegisterRendererFilterProxy() override { return Step("RegisterRendererFilterProxy"); }
  void SetSvpEnabled(bool enabled) override { Step(enabled ? "SetSvpEnabled(1)" : "SetSvpEnabled(0)"); }
  void ScheduleSceneLoad() override { Step("ScheduleSceneLoad"); }

  bool PreRender(float) override { return preRenderResult; }
  void Render() override {
    ++renders;
    if (onRender) onRender();
  }
  void PollGamepad() override { ++gamepadPolls; }
  bool IsMinimised() override { return minimised; }
  void Sleep(int ms) override {
    sleeps.push_back(ms);
    seconds += ms / 1000.0;
  }
  double RuntimeSeconds() override { return seconds; }

  bool HandleCommand(std::uint32_t id) override {
    commands.push_back(id);
    return id == handledCommand;
  }
  bool HandleKey(std::uint32_t vk, bool down, float) override {
    keys.emplace_back(vk, down);
    return false;
  }
  bool GraphBusy() override { return graphBusy; }
  bool OnPlaybackMessage(const Msg& msg, bool loopEnabled, const std::string& path) override {
    playbackMessages.push_back(msg.message == WM_TIMER ? 0x10000 + static_cast<std::uint32_t>(msg.wParam) : msg.message);
    lastLoopEnabled = loopEnabled;
    lastPath = path;
    return msg.message == WM_USER_GRAPHNOTIFY && videoEnds;
  }
  void OpenFile(const std::string& path) override { openedFiles.push_back(path); }
  void DestroyWindow() override { Step("DestroyWindow"); }
  bool SaveScreenshot(const std::string& path, ScreenshotImage) override { return Step("SaveScreenshot(" + path + ")"); }
  void SetHeadPose(float yaw, float pitch, float roll) override {
    Step("SetHeadPose(" + std::to_string(int(yaw)) + "," + std::to_string(int(pitch)) + "," + std::to_string(int(roll)) + ")");
  }
  void ShowMessageBox(const std::string& title, const std::string& text) override { boxes.emplace_back(title, text); }

  void ReleaseCursor() override { Step("ReleaseCursor"); }
  void TeardownGraph() override { Step("TeardownGraph"); }
  void ReleaseRendererFilter() override { Step("ReleaseRendererFilter"); }
  void RevokeRendererFilterClass() override { Step("RevokeRendererFilterClass"); }
  void ReleaseGraphics() override { Step("ReleaseGraphics"); }
  void DestroyHMD() override { Step("DestroyHMD"); }

  std::vector<std::uint32_t> commands;
  std::uint32_t handledCommand = 0;
  std::vector<std::pair<std::uint32_t, bool>> keys;
  WindowServices* attachedWindow = nullptr;
  std::vector<std::uint32_t> playbackMessages;  // timers as 0x10000 + id
  bool lastLoopEnabled = false;
  std::string lastPath;
  int renders = 0;
  int gamepadPolls = 0;
  bool graphBusy = false;
  bool videoEnds = false;  // what a WM_USER_GRAPHNOTIFY reports
  std::vector<int> sleeps;

 private:
  bool Step(const std::string& name) {
    calls.push_back(name);
    return failing.count(name.substr(0, name.find('('))) == 0;
  }
};

}  // namespace quela::test
