#include "app/config/config_location.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace quela {
namespace {

struct LocationCase {
  std::vector<const char*> files;  // all paths relative to a fresh folder
  const char* xdgConfigHome;       // nullptr: unset; a leading '!' passes the rest as is
  const char* home;                // nullptr: unset
  const char* expected;            // "": none
};

TEST(FindConfigFileTest, WorkingDirectoryFirstThenTheUsersConfigFolder) {
  const char* kXdgFile = "xdg/quela/quela.ini";
  const char* kHomeFile = "home/.config/quela/quela.ini";
  const LocationCase cases[] = {
      {{"work/quela.ini", kXdgFile}, "xdg", "home", "work/quela.ini"},
      {{kXdgFile, kHomeFile}, "xdg", "home", kXdgFile},
      {{kHomeFile}, "xdg", "home", ""},  // a set XDG_CONFIG_HOME replaces ~/.config
      {{kHomeFile}, nullptr, "home", kHomeFile},
      {{kHomeFile}, "!relative", "home", kHomeFile},
      {{}, nullptr, nullptr, ""},
  };
  for (const LocationCase& c : cases) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.path() / "work");
    for (const char* file : c.files) dir.Write(file, "[S]\n");
    ConfigLocations where{dir.path() / "work", "", ""};
    if (c.xdgConfigHome) where.xdgConfigHome = *c.xdgConfigHome == '!' ? c.xdgConfigHome + 1 : dir.path() / c.xdgConfigHome;
    if (c.home) where.home = dir.path() / c.home;
    EXPECT_EQ(FindConfigFile(where), *c.expected ? dir.path() / c.expected : std::filesystem::path()) << c.expected;
  }
}

}  // namespace
}  // namespace quela
