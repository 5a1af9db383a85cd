#pragma once
// The runtime's clock: monotonic seconds, replaceable by a test clock.

namespace quela::ovr {

double NowSeconds();
// now(user) replaces the clock; null restores the monotonic one. Not thread-safe: set it before use.
void SetClockForTesting(double (*now)(void* user), void* user);

}  // namespace quela::ovr
