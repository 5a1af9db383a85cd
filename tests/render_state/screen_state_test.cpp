// Screen and stereo state, the menu commands and keys that drive it, and the stereo layouts.
#include "render/screen/screen_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "render/screen/screen_commands.h"
#include "render/screen/screen_table.h"
#include "render/screen/stereo_layout.h"
#include "tests/support/log_capture.h"

namespace quela {
namespace {

using toolkit::Vector3;
using Texts = std::vector<std::string>;
constexpr float kInf = std::numeric_limits<float>::infinity();

// A ScreenState with a GUI connected, whose posted commands, status texts and GUI light directions are recorded.
class RecordingScreen : public testing::Test {
 protected:
  RecordingScreen() {
    state.ConnectGui([this](const std::string& text) { texts.push_back(text); },
                     [this](const ScreenState::LightDirections& d) { guiLights.push_back(d); });
  }
  // Runs the posted commands as the window procedure will.
  void Deliver() { for (std::uint32_t id : std::exchange(posted, {})) HandleScreenCommand(state, id); }

  std::vector<std::uint32_t> posted;
  std::vector<std::string> texts;
  std::vector<ScreenState::LightDirections> guiLights;
  ScreenState state{[this](std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    EXPECT_EQ(message, WM_COMMAND);
    EXPECT_EQ(lParam, 0);
    posted.push_back(static_cast<std::uint32_t>(wParam));
  }};
};

void ExpectNear(Vector3 actual, Vector3 expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-4f);
  EXPECT_NEAR(actual.y, expected.y, 1e-4f);
  EXPECT_NEAR(actual.z, expected.z, 1e-4f);
}

using ScreenCommandsTest = RecordingScreen;
using ScreenStateTest = RecordingScreen;

TEST_F(ScreenCommandsTest, StereoFlipAndVideoTypeItems) {
  EXPECT_FALSE(HandleScreenCommand(state, IDM_EXIT));
  // In 2D: Full / Full is refused, Half / Half moves only its check mark, the flip stays off.
  EXPECT_TRUE(HandleScreenCommand(state, ID_3DTYPE_FULL));
  EXPECT_TRUE(HandleScreenCommand(state, ID_3DTYPE_HALF));
  state.SetStereoFlip();
  EXPECT_FALSE(state.TakeLayoutChanged() || state.flip());

  HandleScreenCommand(state, ID_STEREO_OU);
  HandleScreenCommand(state, ID_3DTYPE_FULL);
  EXPECT_EQ(state.video3DType(), Video3DType::FullFull);
  EXPECT_FALSE(state.menuChecks().IsChecked(ID_3DTYPE_HALF));
  EXPECT_TRUE(state.TakeLayoutChanged());
  // The flip survives a change between 3D layouts; 2D resets it with its text.
  state.SetStereoFlip();
  HandleScreenCommand(state, ID_STEREO_SBS);
  state.SetStereoFlip();
  state.SetStereoFlip();
  HandleScreenCommand(state, ID_STEREO_2D);
  EXPECT_FALSE(state.flip() || state.menuChecks().IsChecked(ID_STEREO_SBS));
  EXPECT_EQ(texts, (Texts{"Stereo 3D Below/Above Flipped", "Stereo 3D Flip Reset", "Stereo 3D Right/Left Flipped",
                          "Stereo 3D Flip Reset"}));
  // Half / Half chosen in 2D keeps the stored type in step with its check mark.
  HandleScreenCommand(state, ID_3DTYPE_HALF);
  HandleScreenCommand(state, ID_STEREO_SBS);
  EXPECT_EQ(state.video3DType(), Video3DType::HalfHalf);
}

// Cycling keys post the next item; nothing changes until the command arrives.
TEST_F(ScreenCommandsTest, CyclingKeysGoThroughTheMenu) {
  for (int i = 1; i <= kScreenTypeCount; ++i) {
    const ScreenInfo& next = kScreens[i % kScreenTypeCount];
    HandleScreenKey(state, VK_S, false, 0.1f);
    EXPECT_EQ(posted, std::vector<std::uint32_t>{next.menuId});
    Deliver();
    EXPECT_EQ(texts.back(), next.statusText);
    for (const ScreenInfo& s : kScreens) EXPECT_EQ(state.menuChecks().IsChecked(s.menuId), s.type == next.type);
  }
  texts.clear();
  HandleScreenKey(state, VK_Q, false, 0.1f);  // nothing in 2D
  for (int i = 0; i < 3; ++i) {
    HandleScreenKey(state, VK_TAB, true, 0.1f);
    HandleScreenKey(state, VK_TAB, false, 0.1f);
    Deliver();
    if (i == 0) {
      HandleScreenKey(state, VK_Q, false, 0.1f);
      Deliver();
    }
  }
  EXPECT_EQ(state.video3DType(), Video3DType::FullFull);
  EXPECT_EQ(texts, (Texts{"Side by Side Stereo 3D", "Full / Full 3D Video Type", "Over Under Stereo 3D",
                          "Standard 2D"}));
}

TEST_F(ScreenCommandsTest, DirectKeysActOnTheirEdge) {
  struct {
    std::uint32_t key;
    bool down;
    float viewerZ;
  } rows[] = {{VK_ADD, true, -2.4f},     {VK_OEM_PLUS, true, -2.4f},  {VK_ADD, false, -2.0f},
              {VK_SUBTRACT, true, -1.6f}, {VK_OEM_MINUS, true, -1.6f}, {VK_OEM_MINUS, false, -2.0f},
              {VK_BACK, true, -2.0f},     {VK_BACK, false, 0.0f},      {VK_MULTIPLY, false, 0.0f}};
  for (const auto& r : rows) {
    state.ResetViewer();
    state.MoveViewerForward(0.5f);  // z = -2
    EXPECT_TRUE(HandleScreenKey(state, r.key, r.down, 0.1f));
    EXPECT_FLOAT_EQ(state.viewerPosition().z, r.viewerZ) << r.key << (r.down ? " down" : " up");
  }
  HandleScreenKey(state, VK_UP, false, 0.1f);
  EXPECT_EQ(state.placement(), ScreenPlacement::Above);
  EXPECT_FALSE(HandleScreenKey(state, VK_ESCAPE, false, 0.1f));
}

TEST(ScreenStateDefaults, FromConfiguration) {
  struct {
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
  for (const auto& r : rows) {
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
  struct {
    ScreenType type;
    float z;
    Vector3 scale;
    bool carriesAspect;
  } rows[] = {
      {ScreenType::Flat, -10.0f, {a, 1, 1}, true},
      {ScreenType::Panoramic180, -4.0f, {1, 0.5625f, 1}, true},
      {ScreenType::Dome, 0.5f, {1, 1, 1}, false},
      {static_cast<ScreenType>(9), -10.0f, {a, 1, 1}, true},
  };
  const TheaterPlacement theater{{1, 2, -30}, {0, 5, 20}, {0, 0, -1}, 3.0f};
  for (const auto& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.type));
    state.MoveViewerForward(1.0f);
    texts.clear();
    state.SetScreenType(r.type);
    const ScreenInfo* info = FindScreen(r.type);
    EXPECT_EQ(texts, info ? Texts{std::string(info->statusText)} : Texts{});
    // An out-of-table type keeps the last real model.
    EXPECT_EQ(state.currentScreenModel(), info ? r.type : ScreenType::Dome);
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

TEST(StereoLayout, SplitAspectAndEyesPerLayoutAndDegenerateFrames) {
  struct {
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
  for (const auto& r : rows) {
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
  // Halves truncate; tiny frames give no inside-out rectangle and no infinite aspect.
  EXPECT_EQ(SplitFrame(1921, 1081, StereoMode::SideBySide).views[1], (PixelRect{961, 0, 1921, 1081}));
  EXPECT_EQ(SplitFrame(1921, 1081, StereoMode::OverUnder).views[1], (PixelRect{0, 541, 1921, 1081}));
  EXPECT_EQ(SplitFrame(0, 0, StereoMode::SideBySide).views[1], (PixelRect{0, 0, 0, 0}));
  EXPECT_EQ(SplitFrame(1, 1, StereoMode::OverUnder).views[1], (PixelRect{0, 1, 1, 1}));
  EXPECT_EQ(PictureAspect(1920, 0, StereoMode::OverUnder, Video3DType::FullFull), 0.0f);
}

}  // namespace
}  // namespace quela
