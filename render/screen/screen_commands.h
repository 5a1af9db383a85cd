#pragma once
// The window procedure's share for the stereo, screen and 3D-type commands and
// the keys that drive them. Keys that change a menu group post its WM_COMMAND
// instead of calling the operation, so the check marks always show the state.
// Thread: main thread.
#include <cstdint>

#include "render/screen/screen_state.h"

namespace quela {

// Virtual-key codes of the screen keys.
inline constexpr std::uint32_t VK_BACK = 8;
inline constexpr std::uint32_t VK_TAB = 9;
inline constexpr std::uint32_t VK_UP = 38;
inline constexpr std::uint32_t VK_DOWN = 40;
inline constexpr std::uint32_t VK_Q = 81;
inline constexpr std::uint32_t VK_S = 83;
inline constexpr std::uint32_t VK_W = 87;
inline constexpr std::uint32_t VK_MULTIPLY = 106;
inline constexpr std::uint32_t VK_ADD = 107;
inline constexpr std::uint32_t VK_SUBTRACT = 109;
inline constexpr std::uint32_t VK_OEM_PLUS = 187;
inline constexpr std::uint32_t VK_OEM_MINUS = 189;

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
