#include "app/config/config_location.h"

#include <cstdlib>
#include <system_error>

namespace quela {
namespace {

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

bool Exists(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

}  // namespace

ConfigLocations CurrentConfigLocations() {
  return ConfigLocations{".", EnvironmentValue("XDG_CONFIG_HOME"), EnvironmentValue("HOME")};
}

std::filesystem::path FindConfigFile(const ConfigLocations& where) {
  const std::filesystem::path local = where.workingDirectory / "quela.ini";
  if (Exists(local)) return local;

  // The XDG base-directory rules ignore a relative $XDG_CONFIG_HOME.
  std::filesystem::path configHome;
  if (!where.xdgConfigHome.empty() && std::filesystem::path(where.xdgConfigHome).is_absolute()) {
    configHome = where.xdgConfigHome;
  } else if (!where.home.empty()) {
    configHome = std::filesystem::path(where.home) / ".config";
  } else {
    return {};
  }
  const std::filesystem::path user = configHome / "quela" / "quela.ini";
  return Exists(user) ? user : std::filesystem::path();
}

}  // namespace quela
