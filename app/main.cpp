// quela [options] [VIDEO]: a video player for head-mounted displays.
#include <cstdio>
#include <cstdlib>

#include "app/cli/command_line.h"
#include "app/cli/script.h"
#include "app/config/config_location.h"
#include "app/log/process_log.h"
#include "app/production_parts.h"
#include "app/shell/quela_singleton.h"
#include "app/shell/system_info.h"
#include "playback/graph/media_pipeline.h"
#include "platform/sdl_platform.h"

namespace {

// Created before main runs, so every line from start-up on has somewhere to go.
g2::LogWorker& processLogWorker = quela::ProcessLogWorker();

constexpr int kUsageExitCode = 2;

bool DisplayAvailable() { return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY"); }

}  // namespace

int main(int argc, char** argv) {
  const quela::CommandLineResult commandLine = quela::ParseCommandLine(argc, argv);
  if (!commandLine.error.empty()) {
    std::fprintf(stderr, "quela: %s\nTry 'quela --help'.\n", commandLine.error.c_str());
    return kUsageExitCode;
  }
  const quela::CommandLineOptions& options = commandLine.options;
  if (options.help) {
    std::fputs(quela::CommandLineUsage().c_str(), stdout);
    return EXIT_SUCCESS;
  }
  if (options.version) {
    std::printf("Quela %s\n", quela::ProductVersionText().c_str());
    return EXIT_SUCCESS;
  }

  quela::ShellSettings settings;
  settings.options = options;
  if (!options.scriptPath.empty()) {
    quela::ScriptParseResult script = quela::LoadScript(options.scriptPath);
    if (!script.error.empty()) {
      std::fprintf(stderr, "quela: %s\n", script.error.c_str());
      return kUsageExitCode;
    }
    settings.script = std::move(script.commands);
  }
  settings.iniPath = quela::FindConfigFile(quela::CurrentConfigLocations());

  quela::SetUntimedPlayback(options.untimed);
  quela::SdlPlatform platform(options.headless || !DisplayAvailable());
  quela::ProductionParts parts(platform);
  quela::cQuelaSingleton app(parts, platform.Queue(), &processLogWorker, std::move(settings));
  return app.Run();
}
