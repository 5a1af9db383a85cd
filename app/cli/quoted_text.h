#pragma once
// Quoting of user input inside error messages.
#include <string>
#include <string_view>

namespace quela {

// text in single quotes, control and non-ASCII bytes as \xNN, cut after 60 bytes with "...", so any input prints safely on a terminal.
std::string Quoted(std::string_view text);

}  // namespace quela
