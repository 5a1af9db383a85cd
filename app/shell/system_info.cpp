#include "app/shell/system_info.h"

#include <sys/utsname.h>

#include <fstream>
#include <sstream>

#include "app/shell/version.h"

namespace quela {

std::string ProductVersionText() { return QUELA_VERSION_TEXT; }

std::string PrettyNameFromOsRelease(const std::string& osRelease) {
  std::istringstream lines(osRelease);
  for (std::string line; std::getline(lines, line);) {
    static const std::string key = "PRETTY_NAME=";
    if (line.rfind(key, 0) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return value;
  }
  return {};
}

std::string OperatingSystemText() {
  std::string text;
  struct utsname names {};
  if (uname(&names) == 0) text = names.release;
  std::ifstream file("/etc/os-release");
  std::stringstream content;
  content << file.rdbuf();
  const std::string distribution = PrettyNameFromOsRelease(content.str());
  if (!distribution.empty()) text += (text.empty() ? "" : ", ") + distribution;
  return text;
}

}  // namespace quela
