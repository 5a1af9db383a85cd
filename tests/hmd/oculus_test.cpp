#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hmd/oculus.h"
#include "ovr/OVR_CAPI.h"
#include "tests/support/headless_gl.h"
#include "toolkit/device.h"

namespace quela {
namespace {

class OculusTest : public ::testing::Test {
 protected:
  OculusTest() : gl_(64, 64), device_() {
    oculus_.showStatusText = [this](const std::string& text) { texts_.push_back(text); };
  }
  ~OculusTest() override {
    oculus_.Release();
    oculus_.Destroy();
  }

  static void NoSwap(void*) {}

  test::HeadlessGl gl_;
  toolkit::Device device_;
  cOculus oculus_;
  std::vector<std::string> texts_;
};

// No real headset here: no HMD, but the options still show their texts.
TEST_F(OculusTest, NoRealHeadsetOnThisMachineMeansNoHmd) {
  EXPECT_FALSE(oculus_.CreateHMD(false));
  EXPECT_FALSE(oculus_.Initialize(nullptr, false));
  oculus_.SetMirrorToMonitor(false);
  oculus_.SetLowPersistence(false);
  EXPECT_EQ(texts_, (std::vector<std::string>{"Not Mirrored to Monitor", "Low Persistance Disabled"}));
}

// The shared target and projections; then mirror and low persistence always resend each other's bit.
TEST_F(OculusTest, SimulatedDk2GetsItsSharedTargetProjectionsAndCaps) {
  ASSERT_TRUE(oculus_.CreateHMD(true));
  ASSERT_TRUE(oculus_.Initialize(gl_.window(), false));
  ASSERT_NE(oculus_.renderTarget(), nullptr);
  EXPECT_EQ(std::make_pair(oculus_.renderTarget()->width(), oculus_.renderTarget()->height()), std::make_pair(2364, 1461));
  EXPECT_EQ(oculus_.eyeViewport(1).x, 1183.0f);
  EXPECT_EQ(oculus_.eyeTextures()[1].OGL.Header.RenderViewport.Pos.x, 1183);
  EXPECT_EQ(oculus_.eyeTextures()[0].OGL.TexId, oculus_.renderTarget()->color().id());
  EXPECT_EQ(ovrHmd_GetEnabledCaps(oculus_.hmd()), 0x0280u);
  EXPECT_EQ(std::make_pair(DistortionCaps(false), DistortionCaps(true)), std::make_pair(0x18Bu, 0x1CBu));

  oculus_.CaptureHMDValues(HmdOutput{1, false, 0, &NoSwap, nullptr}, false);
  ASSERT_TRUE(oculus_.hmdValuesCaptured());
  // Row-vector form of the left eye's projection.
  const toolkit::Matrix& left = oculus_.eyeProjection(0);
  EXPECT_NEAR(left.m[2][3], -1.0f, 1e-6f);  // right-handed: w = -z
  EXPECT_NEAR(oculus_.eyeRenderDesc(0).ViewAdjust.x, 0.032f, 1e-6f);
  EXPECT_EQ(ovrHmd_GetEnabledCaps(oculus_.hmd()), 0x2280u);
  EXPECT_EQ(texts_.back(), "Not Mirrored to Monitor");
  oculus_.SetLowPersistence(false);
  EXPECT_EQ(ovrHmd_GetEnabledCaps(oculus_.hmd()), 0x2200u);
  EXPECT_EQ(texts_.back(), "Low Persistance Disabled");
  oculus_.SetLowPersistence(true);
  EXPECT_EQ(ovrHmd_GetEnabledCaps(oculus_.hmd()), 0x2280u);
  oculus_.SetMirrorToMonitor(true);
  EXPECT_EQ(ovrHmd_GetEnabledCaps(oculus_.hmd()), 0x0280u);
  EXPECT_EQ(texts_.back(), "Mirrored to Monitor");
}

}  // namespace
}  // namespace quela
