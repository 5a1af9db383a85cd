#pragma once
// Window timers (ids 101-103). As with the window system the program was
// designed on, a due timer is delivered as WM_TIMER only when no other
// message is waiting, at most once per due period however late it is, and on
// the main thread. Time is passed in, so tests drive it without sleeping.
#include <cstdint>
#include <map>
#include <optional>

namespace quela {

class WindowTimers {
 public:
  // Starts or restarts timer id; it first fires periodMs after nowMs. Main thread.
  void Set(std::uint32_t id, std::uint32_t periodMs, double nowMs);
  void Kill(std::uint32_t id);
  bool IsSet(std::uint32_t id) const { return timers_.count(id) != 0; }
  // The id of the most overdue timer at nowMs, rescheduled one period after now; none when nothing is due.
  std::optional<std::uint32_t> TakeDue(double nowMs);

 private:
  struct Timer {
    std::uint32_t periodMs;
    double dueMs;
  };
  std::map<std::uint32_t, Timer> timers_;
};

}  // namespace quela
