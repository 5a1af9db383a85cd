#include "app/shell/window_timers.h"

namespace quela {

void WindowTimers::Set(std::uint32_t id, std::uint32_t periodMs, double nowMs) {
  timers_[id] = Timer{periodMs, nowMs + periodMs};
}

void WindowTimers::Kill(std::uint32_t id) { timers_.erase(id); }

std::optional<std::uint32_t> WindowTimers::TakeDue(double nowMs) {
  auto due = timers_.end();
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->second.dueMs <= nowMs && (due == timers_.end() || it->second.dueMs < due->second.dueMs))
      due = it;
  }
  if (due == timers_.end()) return std::nullopt;
  // A late timer fires once, not once per missed period.
  due->second.dueMs = nowMs + due->second.periodMs;
  return due->first;
}

}  // namespace quela
