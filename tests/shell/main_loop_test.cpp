#include <gtest/gtest.h>

#include "app/shell/quela_singleton.h"
#include "tests/shell/fake_shell_parts.h"

namespace quela {
namespace {

using test::FakeShellParts;

class MainLoopTest : public ::testing::Test {
 protected:
  cQuelaSingleton& App(ShellSettings settings = {}) {
    app_ = std::make_unique<cQuelaSingleton>(parts_, queue_, nullptr, std::move(settings));
    return *app_;
  }

  FakeShellParts parts_;
  LocalMessageQueue queue_;
  std::unique_ptr<cQuelaSingleton> app_;
};

TEST_F(MainLoopTest, QuitAlreadyQueuedSkipsTheLoop) {
  queue_.Post(Msg{WM_QUIT, 7, 0});
  EXPECT_EQ(App().MainLoop(), 7);
  EXPECT_EQ(parts_.renders, 0);
  EXPECT_TRUE(parts_.sleeps.empty());
}

TEST_F(MainLoopTest, RendersOnlyWhenTheQueueIsEmptyAndSleepsAfterEachFrame) {
  auto& app = App();
  parts_.onRender = [&] {
    if (parts_.renders == 1) {
      app.PostMessage(WM_USER, 1);
      app.PostMessage(WM_USER, 2);
    }
    if (parts_.renders == 3) app.PostQuitMessage(0);
  };
  EXPECT_EQ(app.MainLoop(), 0);
  EXPECT_EQ(parts_.renders, 3);
  EXPECT_EQ(parts_.sleeps, (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(parts_.gamepadPolls, 3);
}

TEST_F(MainLoopTest, SkippedFrameRunsNoClockAndMinimisedPassesSleepTenMore) {
  parts_.preRenderResult = false;
  parts_.minimised = true;
  ShellSettings settings;
  settings.script = {ScriptCommand{0.035, 0, ScriptVerb::kQuit, {}}};
  EXPECT_EQ(App(settings).MainLoop(), 0);
  EXPECT_EQ(parts_.renders, 0);
  EXPECT_EQ(parts_.gamepadPolls, 0);
  // The fake clock moves only by these sleeps: four passes reach 40 ms.
  EXPECT_EQ(parts_.sleeps, (std::vector<int>{10, 10, 10, 10}));
}

TEST_F(MainLoopTest, FrameClockMeasuresDeltaFromThePreviousFrame) {
  auto& app = App();
  parts_.seconds = 2.0;
  app.FrameClock();
  EXPECT_FLOAT_EQ(app.FrameTime(), 2.0f);
  EXPECT_FLOAT_EQ(app.FrameDelta(), 2.0f);  // the first delta counts from 0
  parts_.seconds = 2.25;
  app.FrameClock();
  EXPECT_FLOAT_EQ(app.FrameDelta(), 0.25f);
}

// The timer fires once, a second in; while the graph is busy it opens nothing but still stops.
class AutoloadTest : public MainLoopTest, public ::testing::WithParamInterface<bool> {};

TEST_P(AutoloadTest, TimerOpensTheCommandLineVideoOnceAfterASecond) {
  const bool busy = GetParam();
  parts_.graphBusy = busy;
  ShellSettings settings;
  settings.options.videoPath = "/videos/clip.mkv";
  settings.options.frames = 1500;  // well past the timer
  auto& app = App(settings);
  ASSERT_TRUE(app.Initialize());
  EXPECT_EQ(app.CurrentFilePath(), "/videos/clip.mkv");
  parts_.onRender = [&] {
    if (parts_.renders == 900) {
      EXPECT_TRUE(parts_.openedFiles.empty()) << "opened before a second had passed";
    }
  };
  app.MainLoop();
  EXPECT_EQ(parts_.openedFiles, busy ? std::vector<std::string>{} : std::vector<std::string>{"/videos/clip.mkv"});
  EXPECT_FALSE(app.Timers().IsSet(kAutoloadTimer));
}

INSTANTIATE_TEST_SUITE_P(GraphBusy, AutoloadTest, ::testing::Bool());

TEST_F(MainLoopTest, FramesOptionClosesTheWindowAfterThatManyFrames) {
  ShellSettings settings;
  settings.options.frames = 5;
  EXPECT_EQ(App(settings).MainLoop(), 0);
  EXPECT_EQ(parts_.renders, 5);
  EXPECT_EQ(std::count(parts_.calls.begin(), parts_.calls.end(), "DestroyWindow"), 1);
}

TEST_F(MainLoopTest, ScriptCommandsArriveAsMessagesAtTheirTimes) {
  ShellSettings settings;
  settings.script = {ScriptCommand{0.5, 0, ScriptVerb::kKey, {std::int64_t{0x1B}, std::string("down")}},
                     ScriptCommand{0.2, 0, ScriptVerb::kPost, {std::int64_t{1025}, std::int64_t{0}, std::int64_t{0}}}};
  EXPECT_EQ(App(settings).MainLoop(), 0);
  // 1 ms per frame on the fake clock: Escape at 0.5 s quits after about 500 frames, not before.
  EXPECT_GE(parts_.renders, 499);
  EXPECT_LE(parts_.renders, 502);
}

// An untimed run ends with its video; a notice that brings no end (one left over from an earlier
// graph) does not end it.
TEST_F(MainLoopTest, UntimedRunEndsWithTheVideo) {
  for (bool ends : {false, true}) {
    parts_.videoEnds = ends;
    parts_.renders = 0;
    ShellSettings settings;
    settings.options.untimed = true;
    settings.options.frames = 300;
    settings.script = {ScriptCommand{0.1, 0, ScriptVerb::kPost, {std::int64_t{WM_USER_GRAPHNOTIFY}, std::int64_t{0}, std::int64_t{0}}}};
    EXPECT_EQ(App(settings).MainLoop(), 0);
    if (ends)
      EXPECT_LE(parts_.renders, 105);
    else
      EXPECT_EQ(parts_.renders, 300);
  }
}

TEST_F(MainLoopTest, ScriptQuitTakesTheCloseButtonsPath) {
  ShellSettings settings;
  settings.script = {ScriptCommand{0.0, 0, ScriptVerb::kQuit, {}}};
  EXPECT_EQ(App(settings).MainLoop(), 0);
  EXPECT_EQ(parts_.calls, (std::vector<std::string>{"DestroyWindow"}));
}

TEST_F(MainLoopTest, ScreenshotsAndPosesWaitForTheInputScriptedBeforeThem) {
  ShellSettings settings;
  settings.script = {ScriptCommand{0.0, 0, ScriptVerb::kMenu, {std::int64_t{32789}}},
                     ScriptCommand{0.0, 0, ScriptVerb::kScreenshot, {std::string("dome.png"), std::string("eyes")}},
                     ScriptCommand{0.0, 0, ScriptVerb::kPose, {10.0, -20.0, 0.0}},
                     ScriptCommand{0.01, 0, ScriptVerb::kQuit, {}}};
  parts_.handledCommand = 32789;
  parts_.onRender = [&] { parts_.calls.push_back("Render"); };
  EXPECT_EQ(App(settings).MainLoop(), 0);
  ASSERT_EQ(parts_.commands, (std::vector<std::uint32_t>{32789}));
  const std::vector<std::string> expected = {"SaveScreenshot(dome.png)", "SetHeadPose(10,-20,0)", "Render"};
  ASSERT_GE(parts_.calls.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(parts_.calls.begin(), parts_.calls.begin() + 3), expected);
}

TEST(WindowTimersTest, DueTimersFireOncePerPeriodEvenWhenLate) {
  WindowTimers timers;
  timers.Set(101, 100, 0.0);
  timers.Set(102, 30, 0.0);
  EXPECT_FALSE(timers.TakeDue(29.0));
  EXPECT_EQ(timers.TakeDue(30.0), 102u);
  EXPECT_FALSE(timers.TakeDue(30.0));
  // At 500 ms both are overdue (102 since 60 ms, 101 since 100 ms): the most overdue first, each once.
  EXPECT_EQ(timers.TakeDue(500.0), 102u);
  EXPECT_EQ(timers.TakeDue(500.0), 101u);
  EXPECT_FALSE(timers.TakeDue(500.0));
  timers.Kill(101);
  EXPECT_EQ(timers.TakeDue(10000.0), 102u);
  EXPECT_FALSE(timers.TakeDue(10000.0));
}

}  // namespace
}  // namespace quela
