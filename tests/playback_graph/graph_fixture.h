#pragma once
// A graph around a counting stock sink, with the recording host and a null audio output.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "tests/playback_graph/test_media.h"

namespace quela::test {

class GraphTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearLog(); }

  static PlaybackGraphSettings Settings() {
    PlaybackGraphSettings settings;
    settings.audioOutput = kTestAudioOutput;
    settings.prerollTimeout = std::chrono::seconds(3);
    return settings;
  }
  std::unique_ptr<PlaybackGraph> MakeGraph(PlaybackGraphSettings settings = Settings()) {
    return std::make_unique<PlaybackGraph>(host.Host(), settings, sink.element(), &sink);
  }
  // Waits until the sink has more than frames frames; false after timeout.
  bool WaitForFrames(int frames, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (sink.frames() <= frames) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }

  // Frames Drawn in the first statistics line logged; -1 without one.
  static int LoggedFramesDrawn() {
    const std::string prefix = "Video Statistics, Frames Drawn ";
    for (const std::string& line : LogLines())
      if (line.starts_with(prefix)) return std::stoi(line.substr(prefix.size()));
    return -1;
  }

  RecordingHost host;
  CountingSink sink;
};

}  // namespace quela::test
