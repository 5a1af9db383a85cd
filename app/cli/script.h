#pragma once
// Automation scripts: timed input that takes the same path as real input.
// One command per line, "SECONDS COMMAND ARGS...", SECONDS counted from the
// start of the main loop; blank lines and lines starting with '#' are skipped.
//   key CODE down|up          virtual-key code 0..255
//   menu ID                   menu command id 0..65535
//   post MSG WPARAM LPARAM    any message; MSG 0..0xFFFFFFFF
//   quit
//   screenshot FILE [mirror|eyes]   a PNG of the mirror image (default) or of both eyes' undistorted views
//   pose YAW PITCH ROLL       the simulated headset's pose, degrees
// Integers are decimal or 0x hexadecimal.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quela {

enum class ScriptVerb { kKey, kMenu, kPost, kQuit, kScreenshot, kPose };

// An integer argument, a word (from a fixed list such as "down", or free text such as a file name), or a decimal.
using ScriptArg = std::variant<std::int64_t, std::string, double>;

struct ScriptCommand {
  double seconds = 0;  // since the main loop started
  int line = 0;        // 1-based line in the script, for messages
  ScriptVerb verb = ScriptVerb::kQuit;
  std::vector<ScriptArg> args;  // one per argument of the verb, in order

  // Argument i of an integer kind; i must be in range for the verb.
  std::int64_t Integer(std::size_t i) const { return std::get<std::int64_t>(args.at(i)); }
  // Argument i of a word kind; i must be in range for the verb.
  const std::string& Word(std::size_t i) const { return std::get<std::string>(args.at(i)); }
  // Argument i of a decimal kind; i must be in range for the verb.
  double Decimal(std::size_t i) const { return std::get<double>(args.at(i)); }

  friend bool operator==(const ScriptCommand&, const ScriptCommand&) = default;
};

struct ScriptParseResult {
  std::vector<ScriptCommand> commands;  // in file order
  std::string error;                    // "NAME:LINE: what is wrong" for the first bad line; empty on success
};

// Largest script LoadScript accepts.
inline constexpr std::size_t kMaxScriptBytes = 4 * 1024 * 1024;

// Parses a whole script; sourceName prefixes error messages. Stops at the first bad line.
ScriptParseResult ParseScript(std::string_view text, std::string_view sourceName);
// Reads and parses the file at path; an unreadable file is an error too.
ScriptParseResult LoadScript(const std::filesystem::path& path);

}  // namespace quela
