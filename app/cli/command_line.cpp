#include "app/cli/command_line.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <string_view>

#include "app/cli/quoted_text.h"

namespace quela {
namespace {

// Stores value (empty for a flag) in options; returns an error text or "".
using ApplyOption = std::string (*)(std::string_view value, CommandLineOptions& options);

struct OptionRule {
  std::string_view name;       // with the leading "--"
  std::string_view valueHint;  // empty for a flag
  std::string_view help;
  ApplyOption apply;
};

bool EndsWithPng(std::string_view path) {
  constexpr std::string_view kPng = ".png";
  if (path.size() <= kPng.size()) return false;
  const std::string_view tail = path.substr(path.size() - kPng.size());
  for (std::size_t i = 0; i < kPng.size(); ++i) {
    const char c = tail[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kPng[i]) return false;
  }
  return true;
}

const OptionRule kOptions[] = {
    {"--hmd", "device|simulated", "headset: the first real one (default) or the built-in simulated one",
     [](std::string_view value, CommandLineOptions& options) -> std::string {
       if (value == "device") {
         options.hmd = HmdChoice::kDevice;
       } else if (value == "simulated") {
         options.hmd = HmdChoice::kSimulated;
       } else {
         return "--hmd expects device or simulated, got " + Quoted(value);
       }
       return "";
     }},
    {"--headless", "", "run without a visible window",
     [](std::string_view, CommandLineOptions& options) -> std::string {
       options.headless = true;
       return "";
     }},
    {"--frames", "N", "quit after N rendered frames",
     [](std::string_view value, CommandLineOptions& options) -> std::string {
       std::uint32_t frames = 0;
       const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), frames);
       // from_chars accepts no sign and no blanks, so only plain digits get through.
       if (error != std::errc() || end != value.data() + value.size() || frames == 0) {
         return "--frames expects a whole number from 1 to 4294967295, got " + Quoted(value);
       }
       options.frames = frames;
       return "";
     }},
    {"--screenshot", "FILE.png", "save the mirror image as a PNG file when the program quits",
     [](std::string_view value, CommandLineOptions& options) -> std::string {
       if (!EndsWithPng(value)) return "--screenshot expects a file name ending in .png, got " + Quoted(value);
       options.screenshotPath = value;
       return "";
     }},
    {"--script", "FILE", "timed input, one \"SECONDS COMMAND ARGS...\" per line",
     [](std::string_view value, CommandLineOptions& options) -> std::string {
       if (value.empty()) return "--script expects a file name";
       options.scriptPath = value;
       return "";
     }},
    {"--untimed", "", "play as fast as frames decode, without the clock, and quit at the video's end",
     [](std::string_view, CommandLineOptions& options) -> std::string {
       options.untimed = true;
       return "";
     }},
    {"--help", "", "show this text and exit",
     [](std::string_view, CommandLineOptions& options) -> std::string {
       options.help = true;
       return "";
     }},
    {"--version", "", "show the version and exit",
     [](std::string_view, CommandLineOptions& options) -> std::string {
       options.version = true;
       return "";
     }},
};

const OptionRule* FindOption(std::string_view name) {
  for (const OptionRule& option : kOptions) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

// Handles one "--name[=value]" argument; returns an error text or "".
std::string ApplyArgument(std::string_view argument, std::set<std::string_view>& seen, CommandLineOptions& options) {
  const std::size_t equals = argument.find('=');
  const std::string_view name = argument.substr(0, equals);
  const OptionRule* option = FindOption(name);
  if (option == nullptr) return "unknown option " + Quoted(argument);
  if (!seen.insert(option->name).second) return std::string(option->name) + " given more than once";

  const bool hasValue = equals != std::string_view::npos;
  if (option->valueHint.empty() && hasValue) return std::string(option->name) + " takes no value";
  if (!option->valueHint.empty() && !hasValue) {
    return std::string(option->name) + " needs a value: " + std::string(option->name) + "=" +
           std::string(option->valueHint);
  }
  return option->apply(hasValue ? argument.substr(equals + 1) : std::string_view(), options);
}

}  // namespace

CommandLineResult ParseCommandLine(int argc, const char* const* argv) {
  CommandLineResult result;
  std::set<std::string_view> seen;
  bool optionsEnded = false;
  for (int i = 1; i < argc && result.error.empty(); ++i) {
    const std::string_view argument = argv[i] != nullptr ? argv[i] : "";
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && argument.size() > 1 && argument.front() == '-') {
      result.error = ApplyArgument(argument, seen, result.options);
    } else if (argument.empty()) {
      result.error = "the video path is empty";
    } else if (!result.options.videoPath.empty()) {
      result.error = "more than one video given: " + Quoted(result.options.videoPath) + " and " + Quoted(argument);
    } else {
      result.options.videoPath = argument;
    }
  }
  return result;
}

std::string CommandLineUsage() {
  std::string usage =
      "Usage: quela [options] [VIDEO]\n"
      "Plays VIDEO in a head-mounted display; without VIDEO, the settings file's\n"
      "AUTOLOAD_VIDEO_FILEPATH is played, if any.\n"
      "\n"
      "Options:\n";
  constexpr std::size_t kColumn = 26;
  for (const OptionRule& option : kOptions) {
    std::string left = "  " + std::string(option.name);
    if (!option.valueHint.empty()) left += "=" + std::string(option.valueHint);
    left.resize(std::max(left.size() + 2, kColumn), ' ');
    usage += left + std::string(option.help) + "\n";
  }
  return usage;
}

}  // namespace quela
