#pragma once
// Where the settings file lives: the working directory first (as the program
// has always done), then the user's XDG configuration folder.
#include <filesystem>
#include <string>

namespace quela {

struct ConfigLocations {
  std::filesystem::path workingDirectory;  // "." for the process's own
  std::string xdgConfigHome;               // $XDG_CONFIG_HOME; empty when unset
  std::string home;                        // $HOME; empty when unset
};

// The process's working directory and environment, read now.
ConfigLocations CurrentConfigLocations();
// workingDirectory/quela.ini if it exists, else $XDG_CONFIG_HOME/quela/quela.ini (default ~/.config/...) if that exists, else empty.
std::filesystem::path FindConfigFile(const ConfigLocations& where);

}  // namespace quela
