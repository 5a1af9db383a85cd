#include <gtest/gtest.h>

#include <fstream>

#include "toolkit/asset_locator.h"

namespace quela::toolkit {
namespace {

TEST(AssetLocatorTest, FirstRootHoldingTheFileWinsAndBackslashesWork) {
  const auto base = std::filesystem::temp_directory_path() / "quela-assets-test";
  std::filesystem::remove_all(base);
  for (const char* root : {"a/Models", "b/Models", "c"}) std::filesystem::create_directories(base / root);
  std::ofstream(base / "b/Models/screen.cmo") << "b";
  std::ofstream(base / "a/Models/screen.cmo") << "a";
  std::ofstream(base / "c/italic.spritefont") << "c";
  const std::vector<std::filesystem::path> roots{base / "a", base / "b", base / "c"};
  EXPECT_EQ(FindAsset("Models\\screen.cmo", roots), base / "a/Models/screen.cmo");
  EXPECT_EQ(FindAsset("italic.spritefont", roots), base / "c/italic.spritefont");
  // A directory of that name is not the asset.
  EXPECT_EQ(FindAsset("Models", roots), std::filesystem::path("Models"));
  EXPECT_EQ(FindAsset("Models\\missing.cmo", roots), std::filesystem::path("Models/missing.cmo"));
  std::filesystem::remove_all(base);
}

}  // namespace
}  // namespace quela::toolkit
