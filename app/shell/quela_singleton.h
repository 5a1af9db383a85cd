#pragma once
// The application spine: brings the subsystems up in a fixed order, runs the
// message-and-render loop on the main thread, and takes everything down again.
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/cli/command_line.h"
#include "app/cli/script.h"
#include "app/cli/script_player.h"
#include "app/config/config.h"
#include "app/shell/message_queue.h"
#include "app/shell/shell_parts.h"
#include "app/shell/window_timers.h"

namespace g2 {
class LogWorker;
}

namespace quela {

inline constexpr int kStartFailedExitCode = -1;  // the process exits with 255

struct ShellSettings {
  std::filesystem::path iniPath;   // the settings file; empty: defaults
  CommandLineOptions options;      // what the user asked for on the command line
  std::vector<ScriptCommand> script;  // timed input, parsed before start
};

class cQuelaSingleton : public WindowServices {
 public:
  cQuelaSingleton(ShellParts& parts, MessageQueue& queue, g2::LogWorker* logWorker, ShellSettings settings);

  // The whole run: start-up, main loop, shutdown. Returns the process exit code. Main thread.
  int Run();

  // The steps of Run, public so tests can drive them one at a time.
  void PreInit();
  bool CreateHMD();
  bool InitInstance();
  bool Initialize();
  int MainLoop();
  void FrameClock();
  void Shutdown();
  LRESULT WndProc(const Msg& msg);

  void PostMessage(std::uint32_t message, WPARAM wParam = 0, LPARAM lParam = 0) override;
  void PostQuitMessage(int exitCode);
  void SetTimer(std::uint32_t id, std::uint32_t periodMs) override;
  void KillTimer(std::uint32_t id) override;
  // The next message: the queue first, then a due timer. Never blocks.
  bool PeekMessage(Msg& msg, bool remove);

  const cConfig& Config() const { return *config_; }
  const std::string& CurrentFilePath() const { return currentFilePath_; }
  bool LoopEnabled() const { return loopEnabled_; }
  float FrameTime() const { return frameTime_; }
  float FrameDelta() const { return frameDelta_; }
  std::uint64_t RenderedFrames() const { return renderedFrames_; }
  const WindowTimers& Timers() const { return timers_; }

 private:
  double NowMs();
  void RunDueScriptCommands();
  void CloseWindow();
  void OnAutoloadTimer();

  ShellParts& parts_;
  MessageQueue& queue_;
  g2::LogWorker* logWorker_;
  ShellSettings settings_;
  std::unique_ptr<cConfig> config_;
  WindowTimers timers_;
  std::string currentFilePath_;
  bool loopEnabled_ = false;
  float frameTime_ = 0.0f;
  float frameDelta_ = 0.0f;
  double loopStartSeconds_ = -1.0;
  ScriptPlayer script_;
  std::deque<ScriptCommand> dueScript_;  // due, waiting for the input posted before them
  std::uint64_t renderedFrames_ = 0;
  bool windowClosed_ = false;
};

}  // namespace quela
