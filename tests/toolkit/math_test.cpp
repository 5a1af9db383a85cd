#include "toolkit/math.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/support/temp_dir.h"
#include "toolkit/asset_locator.h"

namespace quela::toolkit {
namespace {

void ExpectNear(Vector3 actual, Vector3 expected, const std::string& what) {
  EXPECT_NEAR(actual.x, expected.x, 1e-5f) << what;
  EXPECT_NEAR(actual.y, expected.y, 1e-5f) << what;
  EXPECT_NEAR(actual.z, expected.z, 1e-5f) << what;
}

// Right-handed rotations: a quarter turn about each axis carries the next axis into the one after it,
// whether built as a matrix or a quaternion.
TEST(ToolkitMath, QuarterTurnsAreRightHanded) {
  const float q = kPi / 2;
  const struct { const char* name; Matrix matrix; Vector3 axis, from, to; } rows[] = {
      {"X", Matrix::CreateRotationX(q), {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
      {"Y", Matrix::CreateRotationY(q), {0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
      {"Z", Matrix::CreateRotationZ(q), {0, 0, 1}, {1, 0, 0}, {0, 1, 0}},
  };
  for (const auto& r : rows) {
    ExpectNear(Vector3::TransformNormal(r.from, r.matrix), r.to, r.name);
    const Quaternion quat = Quaternion::CreateFromAxisAngle(r.axis, q);
    ExpectNear(Vector3::Transform(r.from, quat), r.to, std::string(r.name) + " quaternion");
    ExpectNear(Vector3::TransformNormal(r.from, Matrix::CreateFromQuaternion(quat)), r.to,
               std::string(r.name) + " quaternion matrix");
  }
}

// Row vectors: A * B applies A first; yaw-pitch-roll rolls, then pitches, then yaws.
TEST(ToolkitMath, CompositionOrder) {
  const Matrix scaleThenMove = Matrix::CreateScale(2) * Matrix::CreateTranslation({1, 0, 0});
  ExpectNear(Vector3::Transform({1, 0, 0}, scaleThenMove), {3, 0, 0}, "scale then translate");
  const float y = 0.3f, p = -0.7f, r = 1.1f;
  const Matrix ypr = Matrix::CreateFromYawPitchRoll(y, p, r);
  const Matrix quat = Matrix::CreateFromQuaternion(Quaternion::CreateFromYawPitchRoll(y, p, r));
  const Vector3 v{0.2f, -0.5f, 0.9f};
  ExpectNear(Vector3::TransformNormal(v, ypr), Vector3::TransformNormal(v, quat), "ypr matrix vs quaternion");
  ExpectNear(Vector3::TransformNormal(v, ypr),
             Vector3::TransformNormal(Vector3::TransformNormal(Vector3::TransformNormal(v, Matrix::CreateRotationZ(r)),
                                                               Matrix::CreateRotationX(p)),
                                      Matrix::CreateRotationY(y)),
             "roll, pitch, yaw");
}

// The view puts the target on the negative z axis; the projection maps near and far to depth 0 and 1
// and the field's top and right edges to +1.
TEST(ToolkitMath, LookAtAndPerspective) {
  const Vector3 eye{3, 2, 5}, target{-1, 2, 1};
  const Matrix view = Matrix::CreateLookAt(eye, target, {0, 1, 0});
  ExpectNear(Vector3::Transform(eye, view), {0, 0, 0}, "eye at origin");
  ExpectNear(Vector3::Transform(target, view), {0, 0, -(target - eye).Length()}, "target ahead");
  ExpectNear(Vector3::Transform(eye + Vector3{0, 1, 0}, view), {0, 1, 0}, "up stays up");
  const struct { float fov, aspect, nearZ, farZ; } rows[] = {{kPi / 2, 1, 0.1f, 100}, {0.5f, 16.0f / 9, 0.01f, 1000}};
  for (const auto& r : rows) {
    const Matrix proj = Matrix::CreatePerspectiveFieldOfView(r.fov, r.aspect, r.nearZ, r.farZ);
    const float y = r.nearZ * std::tan(r.fov / 2);
    EXPECT_NEAR(Vector3::Transform({0, 0, -r.nearZ}, proj).z, 0, 1e-5f);
    EXPECT_NEAR(Vector3::Transform({0, 0, -r.farZ}, proj).z, 1, 1e-4f);
    EXPECT_NEAR(Vector3::Transform({0, y, -r.nearZ}, proj).y, 1, 1e-4f);
    EXPECT_NEAR(Vector3::Transform({y * r.aspect, 0, -r.nearZ}, proj).x, 1, 1e-4f);
  }
}

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
