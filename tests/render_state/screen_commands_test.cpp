#include "render/screen/screen_commands.h"

#include <gtest/gtest.h>

#include "render/screen/screen_table.h"
#include "tests/render_state/recording_screen.h"

namespace quela {
namespace {

using ScreenCommandsTest = RecordingScreen;
using Texts = std::vector<std::string>;

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
  struct Row {
    std::uint32_t key;
    bool down;
    float viewerZ;
  } rows[] = {{VK_ADD, true, -2.4f},     {VK_OEM_PLUS, true, -2.4f},  {VK_ADD, false, -2.0f},
              {VK_SUBTRACT, true, -1.6f}, {VK_OEM_MINUS, true, -1.6f}, {VK_OEM_MINUS, false, -2.0f},
              {VK_BACK, true, -2.0f},     {VK_BACK, false, 0.0f},      {VK_MULTIPLY, false, 0.0f}};
  for (const Row& r : rows) {
    state.ResetViewer();
    state.MoveViewerForward(0.5f);  // z = -2
    EXPECT_TRUE(HandleScreenKey(state, r.key, r.down, 0.1f));
    EXPECT_FLOAT_EQ(state.viewerPosition().z, r.viewerZ) << r.key << (r.down ? " down" : " up");
  }
  HandleScreenKey(state, VK_UP, false, 0.1f);
  EXPECT_EQ(state.placement(), ScreenPlacement::Above);
  EXPECT_FALSE(HandleScreenKey(state, VK_ESCAPE, false, 0.1f));
}

}  // namespace
}  // namespace quela
