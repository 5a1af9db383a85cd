#pragma once
// The command line: quela [options] [VIDEO]. Options win over the settings file.
#include <cstdint>
#include <optional>
#include <string>

namespace quela {

enum class HmdChoice { kDevice, kSimulated };

struct CommandLineOptions {
  std::optional<HmdChoice> hmd;          // unset: the settings file decides
  bool headless = false;                 // no visible window
  std::optional<std::uint32_t> frames;   // quit after this many rendered frames (at least 1)
  std::string screenshotPath;            // PNG of the mirror image written at quit; empty for none
  std::string scriptPath;                // timed input script; empty for none
  std::string videoPath;                 // opened shortly after start, instead of the autoload path; empty for none
  bool untimed = false;                  // play without the clock, as fast as frames come, and quit at the video's end
  bool help = false;
  bool version = false;

  friend bool operator==(const CommandLineOptions&, const CommandLineOptions&) = default;
};

struct CommandLineResult {
  CommandLineOptions options;
  std::string error;  // one line for the user when the command line is unusable; empty on success
};

// Parses argv[1..argc-1]; "--" ends the options. Options take their value as --name=value; each may appear once.
CommandLineResult ParseCommandLine(int argc, const char* const* argv);
// The --help text, ending in a newline.
std::string CommandLineUsage();

}  // namespace quela
