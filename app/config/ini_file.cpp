#include "app/config/ini_file.h"

#include <algorithm>
#include <limits>

namespace quela {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

}  // namespace

IniFile IniFile::Parse(std::string_view text) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());

  IniFile ini;
  // Entries before the first section header belong to a nameless section.
  ini.sections_.push_back(Section{});
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.find('\0'));
    const std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const std::string_view name = line.substr(1, line.find(']') - 1);
      ini.sections_.push_back(Section{std::string(Trim(name)), {}});
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = Trim(line.substr(0, equals));
    if (key.empty()) continue;
    ini.sections_.back().entries.emplace_back(std::string(key), std::string(Trim(line.substr(equals + 1))));
  }
  return ini;
}

const std::string* IniFile::FindValue(std::string_view section, std::string_view key) const {
  section = Trim(section);
  key = Trim(key);
  const auto found = std::find_if(sections_.begin(), sections_.end(),
                                  [&](const Section& s) { return EqualsIgnoringCase(s.name, section); });
  if (found == sections_.end()) return nullptr;
  for (const auto& [name, value] : found->entries) {
    if (EqualsIgnoringCase(name, key)) return &value;
  }
  return nullptr;
}

std::string IniFile::GetString(std::string_view section, std::string_view key, std::string_view defaultValue) const {
  const std::string* value = FindValue(section, key);
  if (value == nullptr) return std::string(defaultValue);
  std::string_view text = *value;
  if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front()) {
    text = text.substr(1, text.size() - 2);
  }
  return std::string(text);
}

std::int32_t IniFile::GetInt(std::string_view section, std::string_view key, std::int32_t defaultValue) const {
  const std::string value = GetString(section, key, "");
  return value.empty() ? defaultValue : ProfileInt(value);
}

std::int32_t ProfileInt(std::string_view value) {
  while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
  bool negative = false;
  if (!value.empty() && (value.front() == '+' || value.front() == '-')) {
    negative = value.front() == '-';
    value.remove_prefix(1);
  }
  // Accumulate the magnitude in 64 bits and stop once it passes the int32 range.
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  for (char c : value) {
    if (c < '0' || c > '9') break;
    magnitude = std::min(magnitude * 10 + (c - '0'), kLimit);
  }
  if (negative) return static_cast<std::int32_t>(-magnitude);
  return static_cast<std::int32_t>(std::min(magnitude, kLimit - 1));
}

}  // namespace quela
