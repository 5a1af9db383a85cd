#include "playback/renderer/frame_lock_wait.h"

namespace quela {

bool FrameLockWait::Acquire(std::mutex& lock, const std::atomic<bool>& graphBusy) {
  std::unique_lock wake(wakeMutex_);
  for (;;) {
    if (graphBusy.load() || unblocked_.load()) return false;
    if (lock.try_lock()) return true;
    // Unblock wakes this at once; the mutex's release and GraphBusy give no
    // signal, so they are polled.
    wake_.wait_for(wake, kPollPeriod, [this] { return unblocked_.load(); });
  }
}

void FrameLockWait::Unblock() {
  {
    const std::lock_guard wake(wakeMutex_);
    unblocked_.store(true);
  }
  wake_.notify_all();
}

void FrameLockWait::Resume() { unblocked_.store(false); }

}  // namespace quela
