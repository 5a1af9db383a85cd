#include "platform/sdl_message_queue.h"

#include <SDL.h>

#include "platform/virtual_keys.h"

namespace quela {

SdlMessageQueue::SdlMessageQueue() : eventType_(SDL_RegisterEvents(1)) {}

void SdlMessageQueue::Post(const Msg& msg) {
  SDL_Event event{};
  event.type = eventType_;
  event.user.code = static_cast<Sint32>(msg.message);
  event.user.data1 = reinterpret_cast<void*>(msg.wParam);
  event.user.data2 = reinterpret_cast<void*>(msg.lParam);
  // SDL's queue holds 65535 events; a full queue means the main thread has stopped, so fall back to our own.
  if (eventType_ == static_cast<std::uint32_t>(-1) || SDL_PushEvent(&event) != 1) pending_.Post(msg);
}

bool SdlMessageQueue::Peek(Msg& msg, bool remove) {
  SDL_Event event;
  while (SDL_PollEvent(&event)) Translate(event);
  return pending_.Peek(msg, remove);
}

void SdlMessageQueue::Translate(const SDL_Event& event) {
  if (event.type == eventType_) {
    pending_.Post(Msg{static_cast<std::uint32_t>(event.user.code), reinterpret_cast<WPARAM>(event.user.data1),
                      reinterpret_cast<LPARAM>(event.user.data2)});
    return;
  }
  switch (event.type) {
    case SDL_QUIT:
      pending_.Post(Msg{WM_CLOSE, 0, 0});
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const std::uint32_t vk = VirtualKeyFromSdl(event.key.keysym.sym, event.key.keysym.scancode);
      if (vk == 0) break;
      // Bit 30 of lParam: the key was already down (auto-repeat), as the window procedure expects.
      const LPARAM repeat = event.key.repeat ? (LPARAM{1} << 30) : 0;
      pending_.Post(Msg{event.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, vk, repeat | 1});
      break;
    }
    case SDL_MOUSEMOTION:
      if ((event.motion.state & SDL_BUTTON_RMASK) && onRightDrag) onRightDrag(event.motion.xrel, event.motion.yrel);
      break;
    default:
      break;
  }
}

}  // namespace quela
