#pragma once
// The window-message vocabulary: menu commands, keys, timers and the private
// messages all travel as (message, wParam, lParam) triples, as on the
// platform the program was first written for, so every input path meets in
// one window procedure.
#include <cstdint>

namespace quela {

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

struct Msg {
  std::uint32_t message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

inline constexpr std::uint32_t WM_DESTROY = 0x0002;
inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_QUIT = 0x0012;
inline constexpr std::uint32_t WM_KEYDOWN = 0x0100;
inline constexpr std::uint32_t WM_KEYUP = 0x0101;
inline constexpr std::uint32_t WM_COMMAND = 0x0111;
inline constexpr std::uint32_t WM_TIMER = 0x0113;
inline constexpr std::uint32_t WM_ENTERMENULOOP = 0x0211;
inline constexpr std::uint32_t WM_EXITMENULOOP = 0x0212;
inline constexpr std::uint32_t WM_USER = 0x0400;
inline constexpr std::uint32_t WM_USER_PLAYPAUSE = 1025;
inline constexpr std::uint32_t WM_USER_SEEKPERCENT = 1026;
inline constexpr std::uint32_t WM_USER_GRAPHNOTIFY = 1027;
// Posted by a seek task so the main thread stops (wParam 0) or starts (1) the playback timers.
inline constexpr std::uint32_t WM_USER_PLAYBACKTIMERS = WM_USER + 8;

// Window timers.
inline constexpr std::uint32_t kKeepDisplayOnTimer = 101;
inline constexpr std::uint32_t kTimeTextTimer = 102;
inline constexpr std::uint32_t kAutoloadTimer = 103;

// Menu command ids.
inline constexpr std::uint32_t IDM_EXIT = 105;

// Virtual-key codes.
inline constexpr std::uint32_t VK_BACK = 0x08;
inline constexpr std::uint32_t VK_TAB = 0x09;
inline constexpr std::uint32_t VK_ESCAPE = 0x1B;
inline constexpr std::uint32_t VK_UP = 0x26;
inline constexpr std::uint32_t VK_DOWN = 0x28;
inline constexpr std::uint32_t VK_Q = 'Q';
inline constexpr std::uint32_t VK_S = 'S';
inline constexpr std::uint32_t VK_W = 'W';
inline constexpr std::uint32_t VK_MULTIPLY = 0x6A;
inline constexpr std::uint32_t VK_ADD = 0x6B;
inline constexpr std::uint32_t VK_SUBTRACT = 0x6D;
inline constexpr std::uint32_t VK_OEM_PLUS = 0xBB;
inline constexpr std::uint32_t VK_OEM_MINUS = 0xBD;

}  // namespace quela
