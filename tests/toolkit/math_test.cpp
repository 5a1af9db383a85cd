#include "toolkit/math.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "toolkit/asset_locator.h"

namespace quela::toolkit {
namespace {

// Rotations, handedness, composition order, look-at and projection are caught through what uses
// them: the overhead placement (screen state), the model and depth pixels (render tests) and the
// end-to-end screenshots. The inverse feeds the lighting normals and the eye position.
TEST(ToolkitMath, InvertUndoesTheTransform) {
  const Matrix m = Matrix::CreateScale({2, 3, 0.5f}) * Matrix::CreateFromYawPitchRoll(0.4f, 1.2f, -0.3f) *
                   Matrix::CreateTranslation({4, -2, 7});
  const Matrix identity = m * m.Invert();
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(identity.m[i][j], i == j ? 1 : 0, 1e-5f) << i << "," << j;
  EXPECT_EQ(Matrix::CreateScale(0).Invert().m[0][0], 0);  // singular: zeros, no NaN
}

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
