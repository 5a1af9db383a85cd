#include "app/shell/message_queue.h"

namespace quela {

void LocalMessageQueue::Post(const Msg& msg) {
  std::lock_guard lock(mutex_);
  messages_.push_back(msg);
}

bool LocalMessageQueue::Peek(Msg& msg, bool remove) {
  std::lock_guard lock(mutex_);
  if (messages_.empty()) return false;
  msg = messages_.front();
  if (remove) messages_.pop_front();
  return true;
}

}  // namespace quela
