#pragma once
// Which desktop display a real headset is: on Linux the headset's panel shows up as one more monitor
// of the extended desktop. Plain code, so the choice is testable without displays.

#include <string>
#include <string_view>
#include <vector>

#include "ovr/OVR_CAPI.h"

namespace quela::ovr {

struct DisplayInfo {
  std::string name;  // as the window system reports it (often the monitor's EDID name)
  int width = 0, height = 0;
};

inline constexpr int kAutomaticDisplay = -1;

// configured: a display index from the settings, or kAutomaticDisplay. A configured index that exists
// wins. Otherwise the display as large as the panel (either way round: the panel may scan out in
// portrait) whose name shares a word with the headset's product name, else the only display of that
// size other than the first (the desktop usually starts on the main monitor). -1 when there is none.
int ChooseHeadsetDisplay(const std::vector<DisplayInfo>& displays, ovrSizei panel, std::string_view productName,
                         int configured);

}  // namespace quela::ovr
