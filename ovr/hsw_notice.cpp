#include "ovr/hsw_notice.h"

namespace quela::ovr {

void HswNotice::Show(double now, bool newProfile) {
  if (shown_) return;
  shown_ = displayed_ = true;
  start_ = now;
  dismissible_ = now + (newProfile ? kDelayNewProfile : kDelayKnownProfile);
}

bool HswNotice::RequestDismiss(double now) {
  if (!displayed_) return false;
  dismissRequested_ = true;
  Update(now);
  return !displayed_;
}

void HswNotice::Update(double now) {
  if (displayed_ && dismissRequested_ && now >= dismissible_) displayed_ = false;
}

ovrHSWDisplayState HswNotice::State() const {
  return {static_cast<ovrBool>(displayed_), start_, dismissible_};
}

}  // namespace quela::ovr
