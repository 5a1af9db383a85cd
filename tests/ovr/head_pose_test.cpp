#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ovr/OVR_CAPI.h"
#include "ovr/fov_math.h"
#include "ovr/hsw_notice.h"
#include "ovr/ovr_extensions.h"
#include "ovr/pose_filter.h"
#include "ovr/pose_math.h"

namespace {

using namespace quela::ovr;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

ovrVector3f Forward(const ovrPosef& pose) { return Rotate(pose.Orientation, {0, 0, -1}); }
ovrVector3f Up(const ovrPosef& pose) { return Rotate(pose.Orientation, {0, 1, 0}); }

void ExpectNear(ovrVector3f v, ovrVector3f expected, const char* what) {
  EXPECT_NEAR(v.x, expected.x, 1e-4f) << what;
  EXPECT_NEAR(v.y, expected.y, 1e-4f) << what;
  EXPECT_NEAR(v.z, expected.z, 1e-4f) << what;
}

class SimulatedDk2 : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(hmd_, nullptr); }
  ~SimulatedDk2() override { ovrHmd_Destroy(hmd_); }
  ovrPosef Pose() { return ovrHmd_GetEyePose(hmd_, ovrEye_Left); }
  ovrHmd hmd_ = ovrHmd_CreateDebug(ovrHmd_DK2);
};
using SimulatedPose = SimulatedDk2;
using DerivedFigures = SimulatedDk2;

TEST_F(SimulatedPose, ScriptPoseDragsAndRecentring) {
  const struct { float yaw, pitch, roll; ovrVector3f forward, up; } rows[] = {
      {0, 0, 90, {0, 0, -1}, {1, 0, 0}},   // roll tilts the head to the right
      {90, 90, 0, {0, 1, 0}, {1, 0, 0}},   // yaw applies before pitch
  };
  for (const auto& row : rows) {
    ASSERT_TRUE(ovrHmd_SetSimulatedPose(hmd_, row.yaw, row.pitch, row.roll));
    ExpectNear(Forward(Pose()), row.forward, "forward");
    ExpectNear(Up(Pose()), row.up, "up");
  }
  // Drags add up (yaw turning left), pitch stops at the vertical, recentring looks ahead (down -z) again.
  ovrHmd_RecenterPose(hmd_);
  ovrHmd_TurnSimulated(hmd_, 30, 0);
  ovrHmd_TurnSimulated(hmd_, 60, 0);
  ExpectNear(Forward(Pose()), {-1, 0, 0}, "after 90 degrees of drags");
  ovrHmd_TurnSimulated(hmd_, -90, 70);
  ovrHmd_TurnSimulated(hmd_, 0, 70);  // would pass over the top
  ExpectNear(Forward(Pose()), {0, 1, 0}, "pitch held at +90");
  ovrHmd_TurnSimulated(hmd_, 0, -90);
  ExpectNear(Forward(Pose()), {0, 0, -1}, "back level");
  ovrHmd_SetSimulatedPose(hmd_, 40, -20, 10);
  ovrHmd_RecenterPose(hmd_);
  ExpectNear(Forward(Pose()), {0, 0, -1}, "recentred forward");
  ExpectNear(Up(Pose()), {0, 1, 0}, "recentred up");
}

TEST(HeadingOf, KeepsOnlyTheTurnAboutVertical) {
  const ovrQuatf heading = HeadingOf(FromYawPitchRoll(30, 40, 20));
  const ovrQuatf expected = FromYawPitchRoll(30, 0, 0);
  EXPECT_NEAR(std::fabs(heading.x * expected.x + heading.y * expected.y + heading.z * expected.z +
                        heading.w * expected.w), 1.0f, 1e-5f);
}

// A tracker reporting nonsense leaves the last good pose in place.
TEST(PoseFilter, KeepsTheLastGoodPose) {
  PoseFilter filter;
  const float good[4] = {0, 0.6f, 0, 0.8f}, position[3] = {0.1f, 0.2f, 0.3f};
  ASSERT_TRUE(filter.Accept(good, position));
  const struct { float q[4]; float p[3]; bool accepted; } rows[] = {
      {{kNaN, 0, 0, 1}, {0, 0, 0}, false},
      {{0, 0, 0, 0}, {0, 0, 0}, false},
      {{0, 0, 0, 40}, {0, 0, 0}, false},
      {{0, 0, 0, 1}, {kInf, 0, 0}, false},
      {{0, 0, 0, 1.02f}, {1, 2, 3}, true},  // slightly off unit length: normalised
  };
  for (const auto& row : rows) {
    const ovrPosef before = filter.Last();
    EXPECT_EQ(filter.Accept(row.q, row.p), row.accepted);
    if (row.accepted) {
      EXPECT_FLOAT_EQ(filter.Last().Orientation.w, 1.0f);
      EXPECT_FLOAT_EQ(filter.Last().Position.z, 3.0f);
    } else {
      EXPECT_EQ(filter.Last().Orientation.y, before.Orientation.y);
      EXPECT_EQ(filter.Last().Position.x, before.Position.x);
    }
  }
}

// Hidden until shown (an earlier request does not carry over), then kept until dismissed, once per run.
// Shown at t = 10, it may go 6 s later (15 s with a new profile); an early request is remembered.
TEST(HswNotice, ShownOncePerRunAndDismissedAfterTheDelay) {
  HswNotice once;
  EXPECT_FALSE(once.RequestDismiss(0.0));
  once.Show(0.0, false);
  once.Update(1000.0);
  EXPECT_TRUE(once.Displayed());
  ASSERT_TRUE(once.RequestDismiss(1000.0));
  once.Show(1001.0, false);
  EXPECT_FALSE(once.Displayed());

  HswNotice onTime, early, newProfile;
  onTime.Show(10.0, false), early.Show(10.0, false), newProfile.Show(10.0, true);
  EXPECT_DOUBLE_EQ(newProfile.State().DismissibleTime, 25.0);
  EXPECT_TRUE(onTime.RequestDismiss(16.0));
  EXPECT_FALSE(early.RequestDismiss(11.0));
  EXPECT_FALSE(newProfile.RequestDismiss(16.0));
  early.Update(15.999), newProfile.Update(24.999);
  EXPECT_TRUE(early.Displayed() && newProfile.Displayed());
  early.Update(16.0), newProfile.Update(25.0);
  EXPECT_FALSE(onTime.Displayed() || early.Displayed() || newProfile.Displayed() || newProfile.State().Displayed);
}

TEST_F(DerivedFigures, EyeTextureSize) {
  EXPECT_EQ(ovrHmd_CreateDebug(ovrHmd_DK1), nullptr);  // only the DK2 is simulated
  const auto size = [&](int eye, ovrFovPort fov, float density) {
    const ovrSizei s = ovrHmd_GetFovTextureSize(hmd_, static_cast<ovrEyeType>(eye), fov, density);
    return std::make_pair(s.w, s.h);
  };
  EXPECT_EQ(size(0, hmd_->DefaultEyeFov[0], 0.5f), std::make_pair(591, 731));
  // Nonsense in: an empty size out.
  EXPECT_EQ(size(0, hmd_->DefaultEyeFov[0], 0.0f).second, 0);
  EXPECT_EQ(size(0, ovrFovPort{0, 0, 0, 0}, 1.0f).first, 0);
  EXPECT_EQ(ovrHmd_GetFovTextureSize(nullptr, ovrEye_Left, hmd_->DefaultEyeFov[0], 1.0f).w, 0);
}

TEST_F(DerivedFigures, ProjectionOfTheLeftEye) {
  const float zn = 0.1f, zf = 2000.0f;
  const ovrMatrix4f rh = ovrMatrix4f_Projection(hmd_->DefaultEyeFov[ovrEye_Left], zn, zf, ovrTrue);
  EXPECT_NEAR(rh.M[0][0], 0.929789f, 1e-5f);
  EXPECT_NEAR(rh.M[0][2], 0.015672f, 1e-5f);  // -ox, right-handed
  EXPECT_NEAR(rh.M[1][1], 0.752283f, 1e-5f);
  // Depth runs 0 at the near plane to 1 at the far plane.
  const auto depth = [&](float z) { return (rh.M[2][2] * z + rh.M[2][3]) / (rh.M[3][2] * z); };
  EXPECT_NEAR(depth(-zn), 0.0f, 1e-5f);
  EXPECT_NEAR(depth(-zf), 1.0f, 1e-5f);
}

// The edges of the field land on the viewport's edges; sampling stays half a texel inside it.
TEST_F(DerivedFigures, EyeTextureCoordinatesAndSamplingBounds) {
  const ovrFovPort& fov = hmd_->DefaultEyeFov[ovrEye_Left];
  const ovrRecti viewport{{0, 0}, {1182, 1461}};
  const auto uv = quela::ovr::EyeUvFromTangent(fov, {2364, 1461}, viewport, true);
  EXPECT_NEAR(-fov.LeftTan * uv.scale.x + uv.offset.x, 0.0f, 1e-5f);
  EXPECT_NEAR(fov.RightTan * uv.scale.x + uv.offset.x, 0.5f, 1e-5f);
  EXPECT_NEAR(fov.UpTan * uv.scale.y + uv.offset.y, 0.0f, 1e-5f);  // row 0 is the picture's top
  EXPECT_NEAR(-fov.DownTan * uv.scale.y + uv.offset.y, 1.0f, 1e-5f);
  const auto flipped = quela::ovr::EyeUvFromTangent(fov, {2364, 1461}, viewport, false);
  EXPECT_NEAR(fov.UpTan * flipped.scale.y + flipped.offset.y, 1.0f, 1e-5f);

  // The right eye's viewport reaches one column past the texture's edge.
  const auto b = quela::ovr::ViewportUvBounds({2364, 1461}, {{1183, 0}, {1182, 1461}});
  EXPECT_FLOAT_EQ(b.min.x, 1183.5f / 2364);
  EXPECT_FLOAT_EQ(b.max.x, 2363.5f / 2364);
  EXPECT_FLOAT_EQ(b.min.y, 0.5f / 1461);
  EXPECT_FLOAT_EQ(b.max.y, 1460.5f / 1461);
}

// The program's own sequence of capability writes is checked through cOculus; here the bits outside
// the writable mask (Present, Available and Captured, 0x7, are read-only).
TEST_F(DerivedFigures, EnabledCapsKeepOnlyWritableBits) {
  ovrHmd_SetEnabledCaps(hmd_, 0x0287);
  EXPECT_EQ(ovrHmd_GetEnabledCaps(hmd_), 0x0280u);
  ovrHmd_SetEnabledCaps(hmd_, 0xFFFFFFFF);
  EXPECT_EQ(ovrHmd_GetEnabledCaps(hmd_), 0x33F0u);
  // Tracking is refused only when it requires what the headset lacks.
  EXPECT_TRUE(ovrHmd_ConfigureTracking(hmd_, 0x70, ovrTrackingCap_Orientation));
  EXPECT_FALSE(ovrHmd_ConfigureTracking(hmd_, 0x70, ovrTrackingCap_Idle));
}

// This machine has no real headset; calls on the null handle it gives do nothing.
TEST_F(DerivedFigures, NoRealHeadsetGivesANullHandleThatIsSafeToUse) {
  ASSERT_TRUE(ovr_Initialize());
  EXPECT_EQ(ovrHmd_Create(0), nullptr);
  ovrHmd_Destroy(nullptr);
  ovrHmd_SetEnabledCaps(nullptr, 0x280);
  EXPECT_EQ(ovrHmd_GetEnabledCaps(nullptr), 0u);
  EXPECT_FALSE(ovrHmd_ConfigureRendering(nullptr, nullptr, 0, nullptr, nullptr));
  ovrHmd_BeginFrame(nullptr, 0);
  EXPECT_FLOAT_EQ(ovrHmd_GetEyePose(nullptr, ovrEye_Left).Orientation.w, 1.0f);
  ovrHmd_EndFrame(nullptr, nullptr, nullptr);
  ovrHmd_RecenterPose(nullptr);
  EXPECT_FALSE(ovrHmd_DismissHSWDisplay(nullptr));
}

}  // namespace
