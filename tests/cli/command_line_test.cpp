#include "app/cli/command_line.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace quela {
namespace {

CommandLineResult Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "quela");
  return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(ParseCommandLineTest, AcceptsOptionsAndOneVideo) {
  const std::pair<std::vector<const char*>, std::function<void(CommandLineOptions&)>> cases[] = {
      {{"--hmd=simulated", "--headless", "--frames=120", "--screenshot=out/Shot.PNG", "--script=run.txt", "a b.mp4"},
       [](CommandLineOptions& o) {
         o.hmd = HmdChoice::kSimulated;
         o.headless = true;
         o.frames = 120;
         o.screenshotPath = "out/Shot.PNG";
         o.scriptPath = "run.txt";
         o.videoPath = "a b.mp4";
       }},
      {{"clip.mp4", "--hmd=device", "--help", "--version", "--untimed", "--frames=4294967295"},
       [](CommandLineOptions& o) {
         o.videoPath = "clip.mp4";
         o.hmd = HmdChoice::kDevice;
         o.help = o.version = o.untimed = true;
         o.frames = 4294967295u;
       }},
      {{"--", "--odd-name.mp4"}, [](CommandLineOptions& o) { o.videoPath = "--odd-name.mp4"; }},
  };
  for (const auto& [args, change] : cases) {
    const CommandLineResult result = Parse(args);
    CommandLineOptions expected;
    change(expected);
    EXPECT_EQ(result.error, "") << testing::PrintToString(args);
    EXPECT_TRUE(result.options == expected) << testing::PrintToString(args);
  }
}

TEST(ParseCommandLineTest, RejectsUnusableCommandLinesWithAClearReason) {
  const std::pair<std::vector<const char*>, const char*> cases[] = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"--bad\x1b[31m"}, "unknown option '--bad\\x1b[31m'"},
      {{"--hmd=real"}, "--hmd expects device or simulated, got 'real'"},
      {{"--hmd"}, "--hmd needs a value: --hmd=device|simulated"},
      {{"--headless=yes"}, "--headless takes no value"},
      {{"--frames=0"}, "--frames expects a whole number from 1 to 4294967295, got '0'"},
      {{"--frames=+5"}, "--frames expects a whole number from 1 to 4294967295, got '+5'"},
      {{"--frames=4294967296"}, "--frames expects a whole number from 1 to 4294967295, got '4294967296'"},
      {{"--screenshot=shot.jpg"}, "--screenshot expects a file name ending in .png, got 'shot.jpg'"},
      {{"--script="}, "--script expects a file name"},
      {{"--frames=1", "--frames=2"}, "--frames given more than once"},
      {{"a.mp4", "b.mp4"}, "more than one video given: 'a.mp4' and 'b.mp4'"},
      {{""}, "the video path is empty"},
  };
  for (const auto& [args, error] : cases) EXPECT_EQ(Parse(args).error, error) << testing::PrintToString(args);
}

}  // namespace
}  // namespace quela
