#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "toolkit/asset_locator.h"

namespace quela::toolkit {
namespace {

TEST(AssetLocatorTest, FirstRootHoldingTheFileWinsAndBackslashesWork) {
  const quela::test::TempDir dir;
  const auto& base = dir.path();
  dir.Write("b/Models/screen.cmo", "b");
  dir.Write("a/Models/screen.cmo", "a");
  dir.Write("c/italic.spritefont", "c");
  const std::vector<std::filesystem::path> roots{base / "a", base / "b", base / "c"};
  EXPECT_EQ(FindAsset("Models\\screen.cmo", roots), base / "a/Models/screen.cmo");
  EXPECT_EQ(FindAsset("italic.spritefont", roots), base / "c/italic.spritefont");
  // A directory of that name is not the asset.
  EXPECT_EQ(FindAsset("Models", roots), std::filesystem::path("Models"));
  EXPECT_EQ(FindAsset("Models\\missing.cmo", roots), std::filesystem::path("Models/missing.cmo"));
}

}  // namespace
}  // namespace quela::toolkit
