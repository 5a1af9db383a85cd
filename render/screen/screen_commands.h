#pragma once
// The window procedure's share for the stereo, screen and 3D-type commands and
// the keys that drive them. Keys that change a menu group post its WM_COMMAND
// instead of calling the operation, so the check marks always show the state.
// Thread: main thread.
#include <cstdint>

#include "app/shell/messages.h"
#include "render/screen/screen_state.h"

namespace quela {

// Applies a stereo-mode, screen or 3D-type menu item; false for any other id.
bool HandleScreenCommand(ScreenState& state, std::uint32_t commandId);

// Acts on the key's edge (down = WM_KEYDOWN); false for a key that is not a screen key.
// elapsedSeconds is the frame's elapsed time, the length of a viewer step.
bool HandleScreenKey(ScreenState& state, std::uint32_t virtualKey, bool down, float elapsedSeconds);

// The key cycles: each posts the next item's command.
void CycleStereoMode(ScreenState& state);
void CycleScreenType(ScreenState& state);
void CycleVideo3DType(ScreenState& state);

}  // namespace quela
