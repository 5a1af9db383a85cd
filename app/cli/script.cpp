#include "app/cli/script.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "app/cli/quoted_text.h"
#include "app/config/text_file.h"

namespace quela {
namespace {

enum class ArgKind { kInteger, kWord, kText, kDecimal };

struct ArgRule {
  std::string_view name;  // as shown in usage and messages
  ArgKind kind;
  std::int64_t min = 0;   // kInteger and kDecimal only
  std::int64_t max = 0;   // kInteger and kDecimal only
  bool optional = false;  // may be left out; only trailing arguments are
};

constexpr ArgRule Integer(std::string_view name, std::int64_t min, std::int64_t max) {
  return ArgRule{name, ArgKind::kInteger, min, max};
}
// words: the accepted words separated by '|', e.g. "down|up".
constexpr ArgRule Word(std::string_view words) { return ArgRule{words, ArgKind::kWord}; }
constexpr ArgRule OptionalWord(std::string_view words) { return ArgRule{words, ArgKind::kWord, 0, 0, true}; }
// Any one word, such as a file name.
constexpr ArgRule Text(std::string_view name) { return ArgRule{name, ArgKind::kText}; }
constexpr ArgRule Decimal(std::string_view name, std::int64_t min, std::int64_t max) {
  return ArgRule{name, ArgKind::kDecimal, min, max};
}

struct VerbRule {
  std::string_view name;
  ScriptVerb verb;
  std::vector<ArgRule> args;
};

constexpr std::int64_t kAnyMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kAnyMax = std::numeric_limits<std::int64_t>::max();

// A new command is one row here plus its ScriptVerb.
const std::vector<VerbRule>& Verbs() {
  static const std::vector<VerbRule> verbs = {
      {"key", ScriptVerb::kKey, {Integer("CODE", 0, 0xFF), Word("down|up")}},
      {"menu", ScriptVerb::kMenu, {Integer("ID", 0, 0xFFFF)}},
      {"post", ScriptVerb::kPost,
       {Integer("MSG", 0, 0xFFFFFFFF), Integer("WPARAM", kAnyMin, kAnyMax), Integer("LPARAM", kAnyMin, kAnyMax)}},
      {"quit", ScriptVerb::kQuit, {}},
      {"screenshot", ScriptVerb::kScreenshot, {Text("FILE"), OptionalWord("mirror|eyes")}},
      {"pose", ScriptVerb::kPose, {Decimal("YAW", -360, 360), Decimal("PITCH", -90, 90), Decimal("ROLL", -360, 360)}},
  };
  return verbs;
}

std::string Usage(const VerbRule& verb) {
  std::string usage(verb.name);
  for (const ArgRule& arg : verb.args) usage += arg.optional ? " [" + std::string(arg.name) + "]" : " " + std::string(arg.name);
  return usage;
}

std::vector<std::string_view> SplitWords(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (true) {
    at = line.find_first_not_of(" \t\r", at);
    if (at == std::string_view::npos) break;
    const std::size_t end = line.find_first_of(" \t\r", at);
    words.push_back(line.substr(at, end - at));
    if (end == std::string_view::npos) break;
    at = end;
  }
  return words;
}

// Plain decimals only ("2", "0.25", ".5"): no sign, exponent, inf or nan.
bool ParseSeconds(std::string_view text, double& seconds) {
  if (text.empty() || !(text.front() == '.' || (text.front() >= '0' && text.front() <= '9'))) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds, std::chars_format::fixed);
  return error == std::errc() && end == text.data() + text.size() && std::isfinite(seconds);
}

// Parses one argument into out; returns an error text or "".
std::string ParseArg(const ArgRule& rule, std::string_view text, ScriptArg& out) {
  if (rule.kind == ArgKind::kText) {
    out = std::string(text);
    return "";
  }
  if (rule.kind == ArgKind::kDecimal) {
    double value = 0;
    const bool negative = text.starts_with('-');
    if (!ParseSeconds(negative ? text.substr(1) : text, value))
      return std::string(rule.name) + " " + Quoted(text) + " is not a decimal number";
    value = negative ? -value : value;
    if (value < static_cast<double>(rule.min) || value > static_cast<double>(rule.max))
      return std::string(rule.name) + " " + Quoted(text) + " is out of range " + std::to_string(rule.min) + ".." +
             std::to_string(rule.max);
    out = value;
    return "";
  }
  if (rule.kind == ArgKind::kWord) {
    std::string_view words = rule.name;
    while (!words.empty()) {
      const std::size_t bar = words.find('|');
      if (words.substr(0, bar) == text) {
        out = std::string(text);
        return "";
      }
      words.remove_prefix(bar == std::string_view::npos ? words.size() : bar + 1);
    }
    return "expected " + std::string(rule.name) + ", got " + Quoted(text);
  }

  const char* first = text.data();
  const char* last = text.data() + text.size();
  std::from_chars_result parsed{};
  std::int64_t value = 0;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    std::uint64_t bits = 0;
    parsed = std::from_chars(first + 2, last, bits, 16);
    if (parsed.ec == std::errc() && bits > static_cast<std::uint64_t>(kAnyMax)) parsed.ec = std::errc::result_out_of_range;
    value = static_cast<std::int64_t>(bits);
  } else {
    parsed = std::from_chars(first, last, value);
  }
  const std::string what = std::string(rule.name) + " " + Quoted(text);
  if (parsed.ec == std::errc::invalid_argument || parsed.ptr != last) {
    return what + " is not a number (decimal or 0x hexadecimal)";
  }
  if (parsed.ec == std::errc::result_out_of_range || value < rule.min || value > rule.max) {
    return what + " is out of range " + std::to_string(rule.min) + ".." + std::to_string(rule.max);
  }
  out = value;
  return "";
}

// Parses one non-blank, non-comment line; returns an error text or "".
std::string ParseCommand(const std::vector<std::string_view>& words, ScriptCommand& command) {
  if (!ParseSeconds(words[0], command.seconds)) {
    return "bad time " + Quoted(words[0]) + ": expected seconds since the start, a non-negative decimal such as 1.5";
  }
  if (words.size() < 2) return "missing command after the time";

  const VerbRule* verb = nullptr;
  for (const VerbRule& candidate : Verbs()) {
    if (candidate.name == words[1]) verb = &candidate;
  }
  if (verb == nullptr) {
    std::string known;
    for (const VerbRule& candidate : Verbs()) known += (known.empty() ? "" : ", ") + std::string(candidate.name);
    return "unknown command " + Quoted(words[1]) + " (known: " + known + ")";
  }
  command.verb = verb->verb;

  const std::size_t given = words.size() - 2;
  std::size_t required = 0;
  for (const ArgRule& arg : verb->args) required += arg.optional ? 0 : 1;
  if (given < required || given > verb->args.size()) {
    const std::string count = required == verb->args.size()
                                  ? std::to_string(required)
                                  : std::to_string(required) + " to " + std::to_string(verb->args.size());
    return "'" + std::string(verb->name) + "' takes " + count + " argument" +
           (verb->args.size() == 1 ? "" : "s") + " (" + Usage(*verb) + "), got " + std::to_string(given);
  }
  command.args.resize(given);
  for (std::size_t i = 0; i < given; ++i) {
    std::string error = ParseArg(verb->args[i], words[i + 2], command.args[i]);
    if (!error.empty()) return error;
  }
  return "";
}

}  // namespace

ScriptParseResult ParseScript(std::string_view text, std::string_view sourceName) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  ScriptParseResult result;
  int lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

    const std::vector<std::string_view> words = SplitWords(line);
    if (words.empty() || words[0].front() == '#') continue;
    ScriptCommand command;
    command.line = lineNumber;
    const std::string error = ParseCommand(words, command);
    if (!error.empty()) {
      result.commands.clear();
      result.error = std::string(sourceName) + ":" + std::to_string(lineNumber) + ": " + error;
      return result;
    }
    result.commands.push_back(std::move(command));
  }
  return result;
}

ScriptParseResult LoadScript(const std::filesystem::path& path) {
  const TextFileResult file = ReadTextFile(path, kMaxScriptBytes);
  if (file.status == TextFileResult::Status::kOk) return ParseScript(file.text, path.string());
  ScriptParseResult result;
  result.error = path.string() + ": cannot read the script: " +
                 (file.status == TextFileResult::Status::kMissing ? std::string("no such file") : file.error);
  return result;
}

}  // namespace quela
