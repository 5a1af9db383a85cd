#pragma once
// The main window's queue on SDL: posted messages ride one registered SDL
// event type, so any thread can post and the main thread sees them in order
// with the window's own input (close, keys) translated into messages.
#include <cstdint>
#include <functional>

#include "app/shell/message_queue.h"

union SDL_Event;

namespace quela {

class SdlMessageQueue : public MessageQueue {
 public:
  // Registers the event type; call on the main thread after SDL_Init, before other threads post.
  SdlMessageQueue();
  void Post(const Msg& msg) override;
  bool Peek(Msg& msg, bool remove) override;
  // Called on the main thread with the relative motion of each mouse move made with the right button held.
  std::function<void(int dx, int dy)> onRightDrag;

 private:
  void Translate(const SDL_Event& event);

  std::uint32_t eventType_;
  LocalMessageQueue pending_;
};

}  // namespace quela
