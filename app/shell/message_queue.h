#pragma once
// The main window's message queue. Post may be called from any thread; Peek
// only from the main thread, and it never blocks.
#include <deque>
#include <mutex>

#include "app/shell/messages.h"

namespace quela {

class MessageQueue {
 public:
  virtual ~MessageQueue() = default;
  // Appends msg; messages posted by one thread arrive in that order. Any thread.
  virtual void Post(const Msg& msg) = 0;
  // The oldest message, removed when remove is true; false when the queue is empty. Main thread.
  virtual bool Peek(Msg& msg, bool remove) = 0;
};

// A queue in memory: the queue itself for tests, and the store behind the platform's queue.
class LocalMessageQueue : public MessageQueue {
 public:
  void Post(const Msg& msg) override;
  bool Peek(Msg& msg, bool remove) override;

 private:
  std::mutex mutex_;
  std::deque<Msg> messages_;
};

}  // namespace quela
