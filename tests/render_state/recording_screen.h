#pragma once
// A ScreenState with a GUI connected, whose posted commands, status texts and
// GUI light directions are recorded.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "render/screen/screen_commands.h"

namespace quela {

class RecordingScreen : public testing::Test {
 protected:
  RecordingScreen() {
    state.ConnectGui([this](const std::string& text) { texts.push_back(text); },
                     [this](const ScreenState::LightDirections& d) { guiLights.push_back(d); });
  }
  // Runs the posted commands as the window procedure will.
  void Deliver() {
    for (std::uint32_t id : std::exchange(posted, {})) HandleScreenCommand(state, id);
  }

  std::vector<std::uint32_t> posted;
  std::vector<std::string> texts;
  std::vector<ScreenState::LightDirections> guiLights;
  ScreenState state{[this](std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    EXPECT_EQ(message, WM_COMMAND);
    EXPECT_EQ(lParam, 0);
    posted.push_back(static_cast<std::uint32_t>(wParam));
  }};
};

inline void ExpectNear(toolkit::Vector3 actual, toolkit::Vector3 expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-4f);
  EXPECT_NEAR(actual.y, expected.y, 1e-4f);
  EXPECT_NEAR(actual.z, expected.z, 1e-4f);
}

}  // namespace quela
