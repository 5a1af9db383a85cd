// The shell's start-up, main loop and shutdown, driven through a fake ShellParts.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/shell/quela_singleton.h"
#include "app/shell/shell_parts.h"
#include "app/shell/system_info.h"
#include "tests/support/log_capture.h"

namespace quela {
namespace {

// Records every call and fails the steps named in `failing`. Its clock only moves when the shell sleeps,
// so timing tests are exact and instant.
class FakeShellParts : public ShellParts {
 public:
  std::vector<std::string> calls;
  std::set<std::string> failing;  // names of steps that return false
  std::vector<std::pair<std::string, std::string>> boxes;
  std::vector<std::string> openedFiles;
  std::vector<std::uint32_t> commands;
  std::uint32_t handledCommand = 0;
  std::vector<int> sleeps;
  double seconds = 100.0;
  int renders = 0, gamepadPolls = 0;
  bool minimised = false, preRenderResult = true, graphBusy = false;
  bool videoEnds = false;  // what a WM_USER_GRAPHNOTIFY reports
  std::function<void()> onRender;  // runs inside Render

  void AttachWindow(WindowServices&) override {}
  bool CreateHMD(bool simulated) override { return Step(simulated ? "CreateHMD(simulated)" : "CreateHMD"); }
  bool InitInstance(const std::string& title) override { return Step("InitInstance(" + title + ")"); }
  bool InitializeGraphics(const cConfig&) override { return Step("InitializeGraphics"); }
  bool InitializeHMD() override { return Step("InitializeHMD"); }
  bool CreateRendererFilter() override { return Step("CreateRendererFilter"); }
  bool RegisterRendererFilterClass() override { return Step("RegisterRendererFilterClass"); }
  bool RegisterRendererFilterProxy() override { return Step("RegisterRendererFilterProxy"); }
  void SetSvpEnabled(bool enabled) override { Step(enabled ? "SetSvpEnabled(1)" : "SetSvpEnabled(0)"); }
  void ScheduleSceneLoad() override { Step("ScheduleSceneLoad"); }

  bool PreRender(float) override { return preRenderResult; }
  void Render() override {
    ++renders;
    if (onRender) onRender();
  }
  void PollGamepad() override { ++gamepadPolls; }
  bool IsMinimised() override { return minimised; }
  void Sleep(int ms) override {
    sleeps.push_back(ms);
    seconds += ms / 1000.0;
  }
  double RuntimeSeconds() override { return seconds; }

  bool HandleCommand(std::uint32_t id) override {
    commands.push_back(id);
    return id == handledCommand;
  }
  bool HandleKey(std::uint32_t, bool, float) override { return false; }
  bool GraphBusy() override { return graphBusy; }
  bool OnPlaybackMessage(const Msg& msg, bool, const std::string&) override {
    return msg.message == WM_USER_GRAPHNOTIFY && videoEnds;
  }
  void OpenFile(const std::string& path) override { openedFiles.push_back(path); }
  void DestroyWindow() override { Step("DestroyWindow"); }
  bool SaveScreenshot(const std::string& path, ScreenshotImage) override { return Step("SaveScreenshot(" + path + ")"); }
  void SetHeadPose(float yaw, float pitch, float roll) override {
    Step("SetHeadPose(" + std::to_string(int(yaw)) + "," + std::to_string(int(pitch)) + "," + std::to_string(int(roll)) + ")");
  }
  void ShowMessageBox(const std::string& title, const std::string& text) override { boxes.emplace_back(title, text); }

  void ReleaseCursor() override { Step("ReleaseCursor"); }
  void TeardownGraph() override { Step("TeardownGraph"); }
  void ReleaseRendererFilter() override { Step("ReleaseRendererFilter"); }
  void RevokeRendererFilterClass() override { Step("RevokeRendererFilterClass"); }
  void ReleaseGraphics() override { Step("ReleaseGraphics"); }
  void DestroyHMD() override { Step("DestroyHMD"); }

 private:
  bool Step(const std::string& name) {
    calls.push_back(name);
    return failing.count(name.substr(0, name.find('('))) == 0;
  }
};

const std::vector<std::string> kShutdownOrder = {"ReleaseCursor", "TeardownGraph", "ReleaseRendererFilter",
                                                 "RevokeRendererFilterClass", "ReleaseGraphics", "DestroyHMD"};

class StartupTest : public ::testing::Test {
 protected:
  int RunApp(ShellSettings settings = {}) {
    cQuelaSingleton app(parts_, queue_, log_.worker(), std::move(settings));
    return app.Run();
  }
  bool Logged(const std::string& line) { return log_.Logged(line); }

  FakeShellParts parts_;
  LocalMessageQueue queue_;
  test::LogCapture log_{true, false};  // the shell attaches it itself
};

// A quit already queued ends the loop before any frame, with its code.
TEST_F(StartupTest, RunsEveryStepInOrderThenLoopsUntilQuit) {
  queue_.Post(Msg{WM_QUIT, 7, 0});
  EXPECT_EQ(RunApp(), 7);
  EXPECT_EQ(parts_.renders, 0);
  EXPECT_TRUE(parts_.sleeps.empty());
  std::vector<std::string> expected = {
      "CreateHMD", "InitInstance(Quela   0.1.0)", "InitializeGraphics", "InitializeHMD", "CreateRendererFilter",
      "RegisterRendererFilterClass", "RegisterRendererFilterProxy", "SetSvpEnabled(0)", "ScheduleSceneLoad"};
  expected.insert(expected.end(), kShutdownOrder.begin(), kShutdownOrder.end());
  EXPECT_EQ(parts_.calls, expected);
  const auto lines = log_.Lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "INFO Quela < 0.1.0 >");
  EXPECT_EQ(lines[1].rfind("INFO Linux Version < ", 0), 0u) << lines[1];
  EXPECT_EQ(PrettyNameFromOsRelease("NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12\"\n"), "Debian GNU/Linux 12");
  EXPECT_EQ(PrettyNameFromOsRelease("NAME=x\nXPRETTY_NAME=\"no\"\n"), "");
  for (const char* line : {"INFO Quela.ini Loading..", "INFO Creating HMD...", "INFO Set Denormals",
                           "INFO HMD Created", "INFO Window Created!", "INFO Quela Initialized!"})
    EXPECT_TRUE(Logged(line)) << line;
}

struct FailureCase {
  const char* step;
  const char* logLine;  // empty: none
  const char* boxTitle;
  const char* boxTextStart;
};

class StartupFailureTest : public StartupTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(StartupFailureTest, ShowsItsBoxShutsDownInOrderAndExitsMinusOne) {
  const FailureCase& c = GetParam();
  parts_.failing.insert(c.step);
  queue_.Post(Msg{WM_QUIT, 0, 0});
  EXPECT_EQ(RunApp(), -1);
  ASSERT_EQ(parts_.boxes.size(), 1u);
  EXPECT_EQ(parts_.boxes[0].first, c.boxTitle);
  EXPECT_EQ(parts_.boxes[0].second.rfind(c.boxTextStart, 0), 0u) << parts_.boxes[0].second;
  EXPECT_TRUE(!*c.logLine || Logged(std::string("WARNING ") + c.logLine)) << c.logLine;
  EXPECT_FALSE(Logged("INFO Quela Initialized!"));
  // Nothing after the failing step but the shutdown sequence.
  const auto failed =
      std::find_if(parts_.calls.begin(), parts_.calls.end(), [&](auto& call) { return call.rfind(c.step, 0) == 0; });
  ASSERT_NE(failed, parts_.calls.end());
  EXPECT_EQ(std::vector<std::string>(failed + 1, parts_.calls.end()), kShutdownOrder);
  EXPECT_EQ(parts_.renders, 0);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCheckedStep, StartupFailureTest,
    ::testing::Values(
        FailureCase{"CreateHMD", "", "Quela - Oculus Rift not detected",
                    "Oculus Rift not detected. Oculus Rift may not be plugged in or you need to install Latest "
                    "Oculus Rift Runtime available from "},
        FailureCase{"InitInstance", "Window Could not be Created!", "Quela - InitInstance()", "Failed to create Window"},
        FailureCase{"InitializeGraphics", "DirectX Initialize() FAILED", "Quela - DirectX Initialize()",
                    "Failed to Initialize"},
        FailureCase{"InitializeHMD", "Oculus Initialize() FAILED", "Quela - Oculus Initialize()", "Failed to Initialize"},
        FailureCase{"RegisterRendererFilterClass", "CoRegisterClassObject CLSID_Direct2DVideoRenderer FAILED",
                    "Quela - CoRegisterClassObject()", "Failed to create instance of render filter"},
        FailureCase{"RegisterRendererFilterProxy", "CoRegisterPSClsid CLSID_Direct2DVideoRenderer FAILED",
                    "Quela - CoRegisterPSClsid()", "Failed to register instance of render filter"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.step); });

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
  parts_.onRender = [&] { EXPECT_TRUE(parts_.renders != 900 || parts_.openedFiles.empty()) << "opened before a second"; };
  app.MainLoop();
  EXPECT_EQ(parts_.openedFiles, busy ? std::vector<std::string>{} : std::vector<std::string>{"/videos/clip.mkv"});
  EXPECT_FALSE(app.Timers().IsSet(kAutoloadTimer));
}

INSTANTIATE_TEST_SUITE_P(GraphBusy, AutoloadTest, ::testing::Bool());

// An untimed run ends with its video; a notice that brings no end (one left over from an earlier
// graph) does not end it, and the run closes its window once after --frames frames. Each frame
// polls the gamepad and then sleeps a millisecond.
TEST_F(MainLoopTest, UntimedRunEndsWithTheVideo) {
  for (bool ends : {false, true}) {
    parts_.videoEnds = ends;
    parts_.renders = parts_.gamepadPolls = 0;
    parts_.sleeps.clear();
    ShellSettings settings;
    settings.options.untimed = true;
    settings.options.frames = 300;
    settings.script = {ScriptCommand{0.1, 0, ScriptVerb::kPost, {std::int64_t{WM_USER_GRAPHNOTIFY}, std::int64_t{0}, std::int64_t{0}}}};
    EXPECT_EQ(App(settings).MainLoop(), 0);
    EXPECT_TRUE(ends ? parts_.renders <= 105 : parts_.renders == 300) << parts_.renders;
    EXPECT_EQ(std::count(parts_.calls.begin(), parts_.calls.end(), "DestroyWindow"), ends ? 2 : 1);
    EXPECT_EQ(parts_.gamepadPolls, parts_.renders);
    EXPECT_EQ(parts_.sleeps, std::vector<int>(parts_.renders, 1));
  }
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
