#pragma once
// Private to toolkit/formats: the UTF conversions the formats need.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quela::toolkit::detail {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes one code point at `pos` and advances past it. An ill-formed
// sequence yields U+FFFD and advances past its maximal subpart (Unicode's
// recommended practice: each maximal ill-formed subpart becomes one U+FFFD).
char32_t NextUtf8(std::string_view text, std::size_t& pos);

// UTF-16 code units to UTF-8: trailing NUL units are stripped, surrogate pairs
// are combined, unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const char16_t* units, std::size_t count);

// Strict UTF-8 to UTF-16; nullopt for ill-formed UTF-8 or a NUL anywhere.
std::optional<std::u16string> Utf8ToUtf16NoNul(std::string_view text);

void AppendUtf8(std::string& out, char32_t c);

}  // namespace quela::toolkit::detail
