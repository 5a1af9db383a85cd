#pragma once
// The health-and-safety notice's state: shown once at start, dismissible after a delay; an earlier
// dismissal request is remembered and takes effect when the delay has passed. Times are the runtime
// clock's seconds, passed in by the caller.

#include "ovr/OVR_CAPI.h"

namespace quela::ovr {

class HswNotice {
 public:
  static constexpr double kDelayKnownProfile = 6.0;
  static constexpr double kDelayNewProfile = 15.0;

  // Shows the notice unless it has been shown before; later calls do nothing.
  void Show(double now, bool newProfile);
  // True when the notice went away now; otherwise a shown notice keeps the request for later.
  bool RequestDismiss(double now);
  // Applies a remembered request once it is due. Call before reading the state for a frame.
  void Update(double now);
  bool Displayed() const { return displayed_; }
  // Displayed and past its delay: a key press would dismiss it now.
  bool Dismissible(double now) const { return displayed_ && now >= dismissible_; }
  ovrHSWDisplayState State() const;

 private:
  bool shown_ = false;
  bool displayed_ = false;
  bool dismissRequested_ = false;
  double start_ = 0;
  double dismissible_ = 0;
};

}  // namespace quela::ovr
