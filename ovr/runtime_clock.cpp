#include "ovr/runtime_clock.h"

#include <chrono>

namespace quela::ovr {
namespace {

double (*testClock)(void*) = nullptr;
void* testClockUser = nullptr;

}  // namespace

double NowSeconds() {
  if (testClock) return testClock(testClockUser);
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<double>(ns.count()) * 1e-9;
}

void SetClockForTesting(double (*now)(void* user), void* user) {
  testClock = now;
  testClockUser = user;
}

}  // namespace quela::ovr
