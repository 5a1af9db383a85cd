#include <gtest/gtest.h>

#include "app/shell/system_info.h"

namespace quela {
namespace {

TEST(SystemInfoTest, PrettyNameIsUnquotedAndOptional) {
  EXPECT_EQ(PrettyNameFromOsRelease("NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(PrettyNameFromOsRelease("PRETTY_NAME=Arch"), "Arch");
  EXPECT_EQ(PrettyNameFromOsRelease("PRETTY_NAME='Single'\n"), "Single");
  EXPECT_EQ(PrettyNameFromOsRelease("NAME=x\nXPRETTY_NAME=\"no\"\n"), "");
  EXPECT_EQ(PrettyNameFromOsRelease(""), "");
  EXPECT_EQ(ProductVersionText(), "0.1.0");
}

}  // namespace
}  // namespace quela
