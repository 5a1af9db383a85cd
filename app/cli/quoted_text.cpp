#include "app/cli/quoted_text.h"

namespace quela {

std::string Quoted(std::string_view text) {
  constexpr std::size_t kMaxShown = 60;
  constexpr char kHex[] = "0123456789abcdef";
  std::string quoted = "'";
  for (std::size_t i = 0; i < text.size() && i < kMaxShown; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte < 0x7F) {
      quoted += static_cast<char>(byte);
    } else {
      quoted += "\\x";
      quoted += kHex[byte >> 4];
      quoted += kHex[byte & 0xF];
    }
  }
  if (text.size() > kMaxShown) quoted += "...";
  quoted += '\'';
  return quoted;
}

}  // namespace quela
