#pragma once
// The streaming thread's wait for FrameLock. FrameLock is a plain mutex that
// the render loop only try-locks and file opening holds while it stops the
// graph, which in turn waits for the streaming thread to leave the renderer:
// so this wait must end when the graph is being torn down (GraphBusy) or the
// sink is unblocked (flush, state change), never block unboundedly.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace quela {

class FrameLockWait {
 public:
  // How often a waiting Acquire looks at the lock and at GraphBusy again.
  static constexpr std::chrono::microseconds kPollPeriod{500};

  // Takes lock and returns true; returns false without it as soon as
  // graphBusy is set or the wait is unblocked. Streaming thread.
  bool Acquire(std::mutex& lock, const std::atomic<bool>& graphBusy);
  // Ends a waiting Acquire and makes later ones fail until Resume. Any thread.
  void Unblock();
  void Resume();
  bool unblocked() const { return unblocked_.load(); }

 private:
  std::atomic<bool> unblocked_{false};
  std::mutex wakeMutex_;
  std::condition_variable wake_;
};

}  // namespace quela
