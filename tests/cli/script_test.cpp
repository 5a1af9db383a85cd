#include "app/cli/script.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "app/cli/command_line.h"
#include "app/cli/script_player.h"
#include "tests/support/temp_dir.h"

namespace quela {
namespace {

using namespace std::string_literals;
using Args = std::vector<ScriptArg>;

TEST(ParseScriptTest, ReadsEveryCommand) {
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  const std::pair<std::string, std::vector<ScriptCommand>> cases[] = {
      {"# comment\n\n \t \n  # indented\n1.5 key 0x1B down\n2\tkey  27 up\r\n",
       {{1.5, 5, ScriptVerb::kKey, Args{27L, "down"s}}, {2, 6, ScriptVerb::kKey, Args{27L, "up"s}}}},
      {"\xEF\xBB\xBF.25 menu 32771\n4. quit", {{0.25, 1, ScriptVerb::kMenu, Args{32771L}}, {4, 2, ScriptVerb::kQuit, {}}}},
      {"3 post 0xFFFFFFFF 0x7FFFFFFFFFFFFFFF -9223372036854775808",
       {{3, 1, ScriptVerb::kPost, Args{0xFFFFFFFFL, std::numeric_limits<std::int64_t>::max(), kMin}}}},
      {"1 screenshot shots/a.png\n2 screenshot eyes.png eyes\n3 pose -30.5 10 0",
       {{1, 1, ScriptVerb::kScreenshot, Args{"shots/a.png"s}}, {2, 2, ScriptVerb::kScreenshot, Args{"eyes.png"s, "eyes"s}},
        {3, 3, ScriptVerb::kPose, Args{-30.5, 10.0, 0.0}}}},
  };
  for (const auto& [text, expected] : cases) {
    const ScriptParseResult result = ParseScript(text, "script.txt");
    EXPECT_EQ(result.error, "") << text;
    EXPECT_EQ(result.commands, expected) << text;
  }
}

TEST(ParseScriptTest, ReportsTheFileAndTheFirstBadLineWithItsNumber) {
  const std::string badTime = ": expected seconds since the start, a non-negative decimal such as 1.5";
  const std::string known = " (known: key, menu, post, quit, screenshot, pose)";
  const std::pair<std::string, std::string> cases[] = {
      {"0 quit\n-1 quit", "script.txt:2: bad time '-1'" + badTime},
      {"\n\n5\n", "script.txt:3: missing command after the time"},
      {"0 quit\n# fine\n1 KEY 27 down", "script.txt:3: unknown command 'KEY'" + known},
      {"1 quit\0\xff\n"s, "script.txt:1: unknown command 'quit\\x00\\xff'" + known},
      {"1 " + std::string(100 * 1024, 'k'), "script.txt:1: unknown command '" + std::string(60, 'k') + "...'" + known},
      {"1 key 27", "script.txt:1: 'key' takes 2 arguments (key CODE down|up), got 1"},
      {"1 screenshot a.png left", "script.txt:1: expected mirror|eyes, got 'left'"},
      {"1 pose 0 91 0", "script.txt:1: PITCH '91' is out of range -90..90"},
      {"1 pose 0 nan 0", "script.txt:1: PITCH 'nan' is not a decimal number"},
      {"1 key 0x100 down", "script.txt:1: CODE '0x100' is out of range 0..255"},
      {"1 key 0x down", "script.txt:1: CODE '0x' is not a number (decimal or 0x hexadecimal)"},
      {"1 post 1 0 0x8000000000000000",
       "script.txt:1: LPARAM '0x8000000000000000' is out of range -9223372036854775808..9223372036854775807"},
  };
  for (const auto& [text, error] : cases) {
    const ScriptParseResult result = ParseScript(text, "script.txt");
    EXPECT_EQ(result.error, error);
    EXPECT_TRUE(result.commands.empty()) << error;
  }
  // A file that cannot be read is named too (StartupE2E has one that reads but does not parse).
  test::TempDir dir;
  const std::filesystem::path missing = dir.path() / "missing.txt";
  EXPECT_EQ(LoadScript(missing).error, missing.string() + ": cannot read the script: no such file");
  EXPECT_EQ(LoadScript(dir.path()).error, dir.path().string() + ": cannot read the script: not a regular file");
}

TEST(ScriptPlayerTest, HandsOutEachCommandOnceInTimeOrder) {
  // The line numbers stand for the file order, which equal times keep.
  ScriptPlayer player({{2, 1, ScriptVerb::kQuit, {}}, {1, 2, ScriptVerb::kQuit, {}}, {1, 3, ScriptVerb::kQuit, {}},
                       {0, 4, ScriptVerb::kQuit, {}}});
  const auto lines = [&player](double now) {
    std::vector<int> result;
    for (const ScriptCommand& command : player.Due(now)) result.push_back(command.line);
    return result;
  };
  EXPECT_EQ(lines(0.5), (std::vector{4}));
  EXPECT_EQ(lines(1.0), (std::vector{2, 3}));
  EXPECT_EQ(lines(0.0), (std::vector<int>{}));  // the clock going back replays nothing
  EXPECT_EQ(lines(std::nan("")), (std::vector<int>{}));
  EXPECT_EQ(lines(60), (std::vector{1}));
  EXPECT_EQ(lines(120), (std::vector<int>{}));
}

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
      {{"--frames=0"}, "--frames expects a whole number from 1 to 4294967295, got '0'"},
      {{"--frames=4294967296"}, "--frames expects a whole number from 1 to 4294967295, got '4294967296'"},
      {{"--screenshot=shot.jpg"}, "--screenshot expects a file name ending in .png, got 'shot.jpg'"},
      {{"--frames=1", "--frames=2"}, "--frames given more than once"},
      {{"a.mp4", "b.mp4"}, "more than one video given: 'a.mp4' and 'b.mp4'"},
      {{""}, "the video path is empty"},
  };
  for (const auto& [args, error] : cases) EXPECT_EQ(Parse(args).error, error) << testing::PrintToString(args);
}

}  // namespace
}  // namespace quela
