#pragma once
// Calls of our own beside the 0.4.2 set: steering the simulated headset and driving the clock in tests.

#include "ovr/OVR_CAPI.h"

#ifdef __cplusplus
extern "C" {
#endif

// Turns the simulated headset by a mouse drag: yaw positive to the left, pitch positive upward,
// degrees; pitch stays within +-90. ovrFalse (and no effect) on a real headset.
ovrBool ovrHmd_TurnSimulated(ovrHmd hmd, float yawDegrees, float pitchDegrees);
// Sets the simulated headset's pose (degrees; applied yaw, then pitch, then roll). ovrFalse on a real headset.
ovrBool ovrHmd_SetSimulatedPose(ovrHmd hmd, float yawDegrees, float pitchDegrees, float rollDegrees);

// The display a real headset presents on (the settings' choice, an SDL display index), or -1 to find
// it by its size and name. Takes effect at the next ovrHmd_ConfigureRendering.
void ovrHmd_SetOutputDisplay(ovrHmd hmd, int display);

// Replaces the runtime clock with now(user), in seconds; null restores the monotonic clock.
void ovr_SetTimeSourceForTesting(double (*now)(void* user), void* user);

#ifdef __cplusplus
}
#endif
