#include "render/screen/screen_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "render/screen/screen_table.h"
#include "render/screen/stereo_layout.h"
#include "tests/render_state/recording_screen.h"
#include "tests/support/log_capture.h"

namespace quela {
namespace {

using toolkit::Vector3;
using ScreenStateTest = RecordingScreen;
using Texts = std::vector<std::string>;
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(ScreenStateDefaults, FromConfiguration) {
  struct Row {
    int mode, screen;
    StereoMode expectedMode;
    const char* log;       // nullptr: nothing logged
    std::uint32_t posted;  // 0: nothing posted
  } rows[] = {
      {0, 0, StereoMode::Mono2D, "Default Stereo Type Set to Standard 2D", ID_SCREEN_FLAT},
      {1, 3, StereoMode::SideBySide, "Default Stereo Type Set to SBS 3D", ID_SCREEN_DISH180},
      {2, 6, StereoMode::OverUnder, "Default Stereo Type Set to OverUnder 3D", ID_SCREEN_SPHERE},
      {3, 7, StereoMode::Mono2D, nullptr, 0},
      {-1, -1, StereoMode::Mono2D, nullptr, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.mode);
    test::LogCapture logged;
    std::vector<WPARAM> posts;
    ScreenState state([&](std::uint32_t, WPARAM id, LPARAM) { posts.push_back(id); });
    state.SetDefaults(r.mode, r.screen);
    EXPECT_EQ(state.stereoMode(), r.expectedMode);
    EXPECT_TRUE(state.menuChecks().IsChecked(FindStereoMode(r.expectedMode)->menuId));
    EXPECT_EQ(logged.Lines(), r.log ? Texts{r.log} : Texts{});
    EXPECT_EQ(posts, r.posted ? std::vector<WPARAM>{r.posted} : std::vector<WPARAM>{});
    EXPECT_FALSE(state.currentScreenModel()) << "the screen comes with the posted command";
  }
}

// Each screen's position with and without the theater, and its scale for a 16:9 picture.
TEST_F(ScreenStateTest, PositionAndScalePerScreenType) {
  const float a = 16.0f / 9.0f;
  struct Row {
    ScreenType type;
    float z;
    Vector3 scale;
    bool carriesAspect;
  } rows[] = {
      {ScreenType::Flat, -10.0f, {a, 1, 1}, true},
      {ScreenType::Panoramic180, -4.0f, {1, 0.5625f, 1}, true},
      {ScreenType::PanoramicDish180, -6.4f, {1, 0.5625f, 1}, true},
      {ScreenType::Dome, 0.5f, {1, 1, 1}, false},
      {ScreenType::Spherical, -0.5f, {1, 1, 1}, false},
      {static_cast<ScreenType>(9), -10.0f, {a, 1, 1}, true},
  };
  const TheaterPlacement theater{{1, 2, -30}, {0, 5, 20}, {0, 0, -1}, 3.0f};
  for (const Row& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.type));
    state.MoveViewerForward(1.0f);
    texts.clear();
    state.SetScreenType(r.type);
    const ScreenInfo* info = FindScreen(r.type);
    EXPECT_EQ(texts, info ? Texts{std::string(info->statusText)} : Texts{});
    // An out-of-table type keeps the last real model.
    EXPECT_EQ(state.currentScreenModel(), info ? r.type : ScreenType::Spherical);
    ExpectNear(state.screenPosition(), {0, 0, r.z});
    ExpectNear(state.viewerPosition(), {0, 0, 0});
    EXPECT_EQ(state.SetScreenAspect(a), r.carriesAspect);
    ExpectNear(state.screenScale(), r.scale);
    for (float broken : {0.0f, kInf, std::nanf("")}) EXPECT_EQ(state.SetScreenAspect(broken), r.carriesAspect);
    ExpectNear(state.screenScale(), r.scale);

    state.EnterTheater(theater);
    state.MoveViewerForward(1.0f);
    state.SetScreenType(r.type);
    ExpectNear(state.screenPosition(), theater.screenPosition);
    ExpectNear(state.viewerPosition(), theater.viewerPosition);
    EXPECT_EQ(state.viewerSpeed(), 400.0f);
    state.LeaveTheater();
    ExpectNear(state.screenPosition(), {0, 0, r.z});
    EXPECT_EQ(state.screenScaleFactor() * state.viewerSpeed(), 4.0f);
  }
}

TEST_F(ScreenStateTest, OverheadPlacement) {
  const ScreenState::LightDirections lights{{{0, -1, 0}, {1, 0, 0}, {0, 0, -1}}};
  state.SetLightDirections(lights);
  state.MoveViewerForward(1.0f);
  state.SetScreenPlacement(true);
  ExpectNear(state.viewerPosition(), {0, 0, 0});
  ExpectNear(Vector3::Transform({0, 0, 0}, state.ScreenWorld()), {0, 10, 0});
  state.MoveViewerForward(0.5f);
  ExpectNear(state.viewerPosition(), {0, 2, 0});
  ExpectNear(Vector3::Transform({0, 0, 0}, state.GuiParent()), {0, 2, 0});
  // The GUI's lights take a half turn about (1, -1, 0); the renderer's stay.
  ASSERT_EQ(guiLights.size(), 1u);
  ExpectNear(guiLights[0][0], {1, 0, 0});
  ExpectNear(guiLights[0][2], {0, 0, 1});
  ExpectNear(state.lightDirections()[0], lights[0]);

  state.SetScreenPlacement(true);  // no change: no text, no reset
  ExpectNear(state.viewerPosition(), {0, 2, 0});
  state.SetScreenPlacement(false);
  EXPECT_EQ(texts, (Texts{"Screen is now Above You", "Screen is now In-front of You"}));
  EXPECT_EQ(state.placementRotation(), toolkit::Matrix::Identity());
  ExpectNear(guiLights.back()[0], lights[0]);
  state.MoveViewerBackward(0.25f);
  ExpectNear(Vector3::Transform({0, 0, 0}, state.GuiParent()), {0, 0, 1});
}

TEST_F(ScreenStateTest, ViewerStaysFiniteAfterThousandsOfSteps) {
  for (bool above : {false, true}) {
    state.SetScreenPlacement(above);
    state.EnterTheater({{0, 0, -30}, {0, 0, 0}, {0.6f, 0, -0.8f}, 1.0f});
    for (int i = 0; i < 5000; ++i) state.MoveViewerForward(i % 2 ? 1e35f : 0.016f);
    for (float bad : {kInf, std::nanf("")}) state.MoveViewerBackward(bad);
    const toolkit::Matrix parent = state.GuiParent();
    for (int c = 0; c < 3; ++c) EXPECT_TRUE(std::isfinite(parent.m[3][c]));
    state.LeaveTheater();
    ExpectNear(state.viewerPosition(), {0, 0, 0});
  }
}

TEST(StereoLayout, SplitAspectAndEyesPerLayout) {
  struct Row {
    StereoMode mode;
    PixelRect view0, view1;
    int textureWidth, textureHeight;
    float fullAspect;
    int flippedLeftEyeView;
  } rows[] = {
      {StereoMode::Mono2D, {0, 0, 1920, 1080}, {}, 1920, 1080, 1.7777778f, 0},
      {StereoMode::SideBySide, {0, 0, 960, 1080}, {961, 0, 1920, 1080}, 960, 1080, 0.8888889f, 1},
      {StereoMode::OverUnder, {0, 0, 1920, 540}, {0, 541, 1920, 1080}, 1920, 540, 3.5555556f, 1},
      {static_cast<StereoMode>(7), {0, 0, 1920, 1080}, {}, 1920, 1080, 1.7777778f, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.mode));
    const FrameViews v = SplitFrame(1920, 1080, r.mode);
    EXPECT_EQ(v.count, r.view1 == PixelRect{} ? 1 : 2);
    EXPECT_EQ(v.views[0], r.view0);
    EXPECT_EQ(v.views[1], r.view1);
    EXPECT_EQ(v.textureWidth, r.textureWidth);
    EXPECT_EQ(v.textureHeight, r.textureHeight);
    EXPECT_FLOAT_EQ(PictureAspect(1920, 1080, r.mode, Video3DType::HalfHalf), 1.7777778f);
    EXPECT_FLOAT_EQ(PictureAspect(1920, 1080, r.mode, Video3DType::FullFull), r.fullAspect);
    // The view each eye finally shows: the frame renderer's entry, chosen through the flip.
    EXPECT_EQ(FrameTextureView(EyeEntry(0, true), r.mode), r.flippedLeftEyeView);
    EXPECT_EQ(FrameTextureView(EyeEntry(1, true), r.mode), 0);
    EXPECT_EQ(FrameTextureView(EyeEntry(1, false), r.mode), r.flippedLeftEyeView);
  }
}

// Halves truncate; tiny frames give no inside-out rectangle and no infinite aspect.
TEST(StereoLayout, OddAndDegenerateFrames) {
  EXPECT_EQ(SplitFrame(1921, 1081, StereoMode::SideBySide).views[1], (PixelRect{961, 0, 1921, 1081}));
  EXPECT_EQ(SplitFrame(1921, 1081, StereoMode::OverUnder).views[1], (PixelRect{0, 541, 1921, 1081}));
  EXPECT_EQ(SplitFrame(0, 0, StereoMode::SideBySide).views[1], (PixelRect{0, 0, 0, 0}));
  EXPECT_EQ(SplitFrame(1, 1, StereoMode::OverUnder).views[1], (PixelRect{0, 1, 1, 1}));
  EXPECT_EQ(PictureAspect(1920, 0, StereoMode::OverUnder, Video3DType::FullFull), 0.0f);
}

}  // namespace
}  // namespace quela
