#include <gtest/gtest.h>

#include <memory>

#include "ovr/OVR_CAPI.h"
#include "ovr/fov_math.h"

namespace {

struct HmdDeleter {
  void operator()(const ovrHmdDesc* hmd) const { ovrHmd_Destroy(hmd); }
};
using HmdPtr = std::unique_ptr<const ovrHmdDesc, HmdDeleter>;

HmdPtr SimulatedDk2() { return HmdPtr(ovrHmd_CreateDebug(ovrHmd_DK2)); }

TEST(DerivedFigures, EyeTextureSize) {
  HmdPtr hmd = SimulatedDk2();
  ASSERT_NE(hmd, nullptr);
  EXPECT_EQ(ovrHmd_CreateDebug(ovrHmd_DK1), nullptr);  // only the DK2 is simulated
  for (int eye = 0; eye < ovrEye_Count; ++eye) {
    const ovrSizei size = ovrHmd_GetFovTextureSize(hmd.get(), static_cast<ovrEyeType>(eye), hmd->DefaultEyeFov[eye], 1.0f);
    EXPECT_EQ(size.w, 1182) << eye;
    EXPECT_EQ(size.h, 1461) << eye;
  }
  const ovrSizei half = ovrHmd_GetFovTextureSize(hmd.get(), ovrEye_Left, hmd->DefaultEyeFov[0], 0.5f);
  EXPECT_EQ(half.w, 591);
  EXPECT_EQ(half.h, 731);
  // Nonsense in: an empty size out.
  EXPECT_EQ(ovrHmd_GetFovTextureSize(hmd.get(), ovrEye_Left, hmd->DefaultEyeFov[0], 0.0f).h, 0);
  EXPECT_EQ(ovrHmd_GetFovTextureSize(hmd.get(), ovrEye_Left, ovrFovPort{0, 0, 0, 0}, 1.0f).w, 0);
  EXPECT_EQ(ovrHmd_GetFovTextureSize(nullptr, ovrEye_Left, hmd->DefaultEyeFov[0], 1.0f).w, 0);
}

TEST(DerivedFigures, ProjectionOfTheLeftEye) {
  HmdPtr hmd = SimulatedDk2();
  const float zn = 0.1f, zf = 2000.0f;
  const ovrMatrix4f rh = ovrMatrix4f_Projection(hmd->DefaultEyeFov[ovrEye_Left], zn, zf, ovrTrue);
  EXPECT_NEAR(rh.M[0][0], 0.929789f, 1e-5f);
  EXPECT_NEAR(rh.M[0][2], 0.015672f, 1e-5f);  // -ox, right-handed
  EXPECT_NEAR(rh.M[1][1], 0.752283f, 1e-5f);
  EXPECT_NEAR(rh.M[1][2], 0.0f, 1e-6f);
  EXPECT_FLOAT_EQ(rh.M[3][2], -1.0f);
  // Depth runs 0 at the near plane to 1 at the far plane.
  const auto depth = [&](const ovrMatrix4f& m, float z) { return (m.M[2][2] * z + m.M[2][3]) / (m.M[3][2] * z); };
  EXPECT_NEAR(depth(rh, -zn), 0.0f, 1e-5f);
  EXPECT_NEAR(depth(rh, -zf), 1.0f, 1e-5f);
  const ovrMatrix4f lh = ovrMatrix4f_Projection(hmd->DefaultEyeFov[ovrEye_Left], zn, zf, ovrFalse);
  EXPECT_NEAR(lh.M[0][2], -0.015672f, 1e-5f);
  EXPECT_NEAR(depth(lh, zf), 1.0f, 1e-5f);
}

// The edges of the field land on the viewport's edges; sampling stays half a texel inside it.
TEST(DerivedFigures, EyeTextureCoordinatesAndSamplingBounds) {
  HmdPtr hmd = SimulatedDk2();
  const ovrFovPort& fov = hmd->DefaultEyeFov[ovrEye_Left];
  const ovrRecti viewport{{0, 0}, {1182, 1461}};
  const auto uv = quela::ovr::EyeUvFromTangent(fov, {2364, 1461}, viewport, true);
  EXPECT_NEAR(-fov.LeftTan * uv.scale.x + uv.offset.x, 0.0f, 1e-5f);
  EXPECT_NEAR(fov.RightTan * uv.scale.x + uv.offset.x, 0.5f, 1e-5f);
  EXPECT_NEAR(fov.UpTan * uv.scale.y + uv.offset.y, 0.0f, 1e-5f);  // row 0 is the picture's top
  EXPECT_NEAR(-fov.DownTan * uv.scale.y + uv.offset.y, 1.0f, 1e-5f);
  const auto flipped = quela::ovr::EyeUvFromTangent(fov, {2364, 1461}, viewport, false);
  EXPECT_NEAR(fov.UpTan * flipped.scale.y + flipped.offset.y, 1.0f, 1e-5f);

  // The right eye's viewport reaches one column past the texture's edge.
  const struct {
    ovrRecti viewport;
    float minX, maxX;
  } rows[] = {{{{0, 0}, {1182, 1461}}, 0.5f / 2364, 1181.5f / 2364},
              {{{1183, 0}, {1182, 1461}}, 1183.5f / 2364, 2363.5f / 2364}};
  for (const auto& row : rows) {
    const auto b = quela::ovr::ViewportUvBounds({2364, 1461}, row.viewport);
    EXPECT_FLOAT_EQ(b.min.x, row.minX);
    EXPECT_FLOAT_EQ(b.max.x, row.maxX);
    EXPECT_FLOAT_EQ(b.min.y, 0.5f / 1461);
    EXPECT_FLOAT_EQ(b.max.y, 1460.5f / 1461);
  }
}

// The program's sequence of capability writes (mirror off, low persistence off and on again),
// plus bits outside the writable mask.
TEST(DerivedFigures, EnabledCapsKeepOnlyWritableBits) {
  HmdPtr hmd = SimulatedDk2();
  const struct {
    unsigned int set, expected;
  } rows[] = {
      {0x0280, 0x0280}, {0x2280, 0x2280}, {0x2200, 0x2200}, {0x2280, 0x2280},
      {0x0287, 0x0280},  // Present, Available, Captured are read-only
      {0xFFFFFFFF, 0x33F0},
  };
  for (const auto& row : rows) {
    ovrHmd_SetEnabledCaps(hmd.get(), row.set);
    EXPECT_EQ(ovrHmd_GetEnabledCaps(hmd.get()), row.expected) << std::hex << row.set;
  }
  // Tracking is refused only when it requires what the headset lacks.
  EXPECT_TRUE(ovrHmd_ConfigureTracking(hmd.get(), 0x70, ovrTrackingCap_Orientation));
  EXPECT_FALSE(ovrHmd_ConfigureTracking(hmd.get(), 0x70, ovrTrackingCap_Idle));
}

// This machine has no real headset; calls on the null handle it gives do nothing.
TEST(DerivedFigures, NoRealHeadsetGivesANullHandleThatIsSafeToUse) {
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
