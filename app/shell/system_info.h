#pragma once
// What the start-up log says about the program and the machine.
#include <string>

namespace quela {

// "major.minor.patch" of this build.
std::string ProductVersionText();
// The kernel release and the distribution's name, e.g. "6.1.0-18-amd64, Debian GNU/Linux 12 (bookworm)".
std::string OperatingSystemText();
// PRETTY_NAME of an os-release text, unquoted; empty when absent.
std::string PrettyNameFromOsRelease(const std::string& osRelease);

}  // namespace quela
