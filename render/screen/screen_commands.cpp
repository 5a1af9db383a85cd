#include "render/screen/screen_commands.h"

#include "render/screen/screen_table.h"

namespace quela {

bool HandleScreenCommand(ScreenState& state, std::uint32_t commandId) {
  for (const StereoModeInfo& info : kStereoModes) {
    if (info.menuId == commandId) {
      state.SelectStereoMode(info.mode);
      return true;
    }
  }
  for (const Video3DTypeInfo& info : kVideo3DTypes) {
    if (info.menuId == commandId) {
      state.SelectVideo3DType(info.type);
      return true;
    }
  }
  if (const ScreenInfo* screen = FindScreenByMenuId(commandId)) {
    state.SelectScreenType(screen->type);
    return true;
  }
  return false;
}

void CycleStereoMode(ScreenState& state) {
  switch (state.stereoMode()) {
    case StereoMode::Mono2D:
      state.PostCommand(ID_STEREO_SBS);
      state.ShowStatusText("Side by Side Stereo 3D");
      break;
    case StereoMode::SideBySide:
      state.PostCommand(ID_STEREO_OU);
      state.ShowStatusText("Over Under Stereo 3D");
      break;
    case StereoMode::OverUnder:
      state.PostCommand(ID_STEREO_2D);
      state.ShowStatusText("Standard 2D");
      break;
  }
}

void CycleScreenType(ScreenState& state) {
  const auto current = static_cast<int>(state.screenType());
  const int next = current >= 0 && current < kScreenTypeCount - 1 ? current + 1 : 0;
  state.PostCommand(kScreens[next].menuId);
}

void CycleVideo3DType(ScreenState& state) {
  if (state.stereoMode() == StereoMode::Mono2D) return;
  if (!state.menuChecks().IsChecked(ID_3DTYPE_HALF)) {
    state.PostCommand(ID_3DTYPE_HALF);
    state.ShowStatusText("Half / Half 3D Video Type");
  } else {
    state.PostCommand(ID_3DTYPE_FULL);
    state.ShowStatusText("Full / Full 3D Video Type");
  }
}

bool HandleScreenKey(ScreenState& state, std::uint32_t virtualKey, bool down, float elapsedSeconds) {
  switch (virtualKey) {
    case VK_BACK:
    case VK_MULTIPLY:
      if (!down) state.ResetViewer();
      return true;
    case VK_TAB:
      if (!down) CycleStereoMode(state);
      return true;
    case VK_UP:
    case VK_DOWN:
      if (!down) state.SetScreenPlacement(virtualKey == VK_UP);
      return true;
    case VK_Q:
      if (!down) CycleVideo3DType(state);
      return true;
    case VK_S:
      if (!down) CycleScreenType(state);
      return true;
    case VK_W:
      if (!down) state.SetStereoFlip();
      return true;
    // Forward and backward act on key-down so that auto-repeat keeps stepping.
    case VK_ADD:
    case VK_OEM_PLUS:
      if (down) state.MoveViewerForward(elapsedSeconds);
      return true;
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
      if (down) state.MoveViewerBackward(elapsedSeconds);
      return true;
    default:
      return false;
  }
}

}  // namespace quela
