#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ovr/OVR_CAPI.h"
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

class SimulatedPose : public ::testing::Test {
 protected:
  void SetUp() override { hmd_ = ovrHmd_CreateDebug(ovrHmd_DK2); }
  void TearDown() override { ovrHmd_Destroy(hmd_); }
  ovrPosef Pose() { return ovrHmd_GetEyePose(hmd_, ovrEye_Left); }
  ovrHmd hmd_ = nullptr;
};

TEST_F(SimulatedPose, ScriptPoseSetsYawPitchRoll) {
  const float s = std::sqrt(0.5f);
  const struct {
    float yaw, pitch, roll;
    ovrVector3f forward, up;
  } rows[] = {
      {90, 0, 0, {-1, 0, 0}, {0, 1, 0}},   // yaw turns left
      {0, 45, 0, {0, s, -s}, {0, s, s}},   // pitch looks up
      {0, 0, 90, {0, 0, -1}, {1, 0, 0}},   // roll tilts the head to the right
      {90, 90, 0, {0, 1, 0}, {1, 0, 0}},   // yaw applies before pitch
  };
  for (const auto& row : rows) {
    ASSERT_TRUE(ovrHmd_SetSimulatedPose(hmd_, row.yaw, row.pitch, row.roll));
    ExpectNear(Forward(Pose()), row.forward, "forward");
    ExpectNear(Up(Pose()), row.up, "up");
  }
}

// Starts looking down -z; drags add up, pitch stops at the vertical, recentring looks ahead again.
TEST_F(SimulatedPose, DragsAccumulateAndRecentringResets) {
  ExpectNear(Forward(Pose()), {0, 0, -1}, "at the start");
  ExpectNear(Pose().Position, {0, 0, 0}, "position");
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

TEST_F(SimulatedPose, NeverShowsTheHealthNotice) {
  ovrHmd_BeginFrame(hmd_, 0);
  ovrHSWDisplayState state{ovrTrue, 0, 0};
  ovrHmd_GetHSWDisplayState(hmd_, &state);
  EXPECT_FALSE(state.Displayed);
  EXPECT_FALSE(ovrHmd_DismissHSWDisplay(hmd_));
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
  const struct {
    float q[4];
    float p[3];
    bool accepted;
  } rows[] = {
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

}  // namespace
