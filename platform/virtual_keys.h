#pragma once
// SDL keys as the virtual-key codes the window procedure speaks.
#include <cstdint>

namespace quela {

// 0 for keys the program has no code for. keycode is an SDL_Keycode, scancode an SDL_Scancode.
std::uint32_t VirtualKeyFromSdl(std::int32_t keycode, int scancode);

}  // namespace quela
