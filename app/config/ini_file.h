#pragma once
// An INI file read the way the Windows profile functions read one, so settings
// files written for the Windows program behave the same here.
//   - Section and key names compare case-insensitively (ASCII letters).
//   - Only the first section of a name is searched, and its first matching key
//     wins; later duplicates are ignored.
//   - Lines: "[name]", "key=value", or a comment starting with ';'. Blanks
//     around names and values are dropped; other lines are skipped.
//   - UTF-8 with or without a byte-order mark; LF or CRLF; a NUL byte counts as a line break.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quela {

class IniFile {
 public:
  // Largest file Load accepts; a settings file is a few hundred bytes.
  static constexpr std::size_t kMaxFileBytes = 1024 * 1024;

  // Parses text in memory; never fails, unusable lines are skipped.
  static IniFile Parse(std::string_view text);

  // Value of the key with one pair of matching outer quotes (' or ") removed; defaultValue when section or key is missing.
  std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
  // GetString read as ProfileInt; defaultValue when section or key is missing or the value is empty.
  std::int32_t GetInt(std::string_view section, std::string_view key, std::int32_t defaultValue) const;

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;
  };
  const std::string* FindValue(std::string_view section, std::string_view key) const;

  std::vector<Section> sections_;
};

// Windows' integer reading of a value: leading blanks, an optional sign, then
// the leading decimal digits; anything else reads 0 ("0x10" is 0, "12abc" is 12).
// Out-of-range values saturate to the int32 limits instead of wrapping.
std::int32_t ProfileInt(std::string_view value);

}  // namespace quela
