#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/log/g2log.h"
#include "app/shell/quela_singleton.h"
#include "app/shell/system_info.h"
#include "tests/shell/fake_shell_parts.h"
#include "tests/support/log_capture.h"

namespace quela {
namespace {

using test::FakeShellParts;

const std::vector<std::string> kShutdownOrder = {"ReleaseCursor", "TeardownGraph", "ReleaseRendererFilter",
                                                 "RevokeRendererFilterClass", "ReleaseGraphics", "DestroyHMD"};

class StartupTest : public ::testing::Test {
 protected:
  int RunApp(ShellSettings settings = {}) {
    cQuelaSingleton app(parts_, queue_, log_.worker(), std::move(settings));
    return app.Run();
  }
  bool Logged(const std::string& line) { return log_.Logged(line); }

  std::vector<std::string> CallsAfter(const std::string& step) {
    auto it = std::find(parts_.calls.begin(), parts_.calls.end(), step);
    return {it == parts_.calls.end() ? it : it + 1, parts_.calls.end()};
  }

  FakeShellParts parts_;
  LocalMessageQueue queue_;
  test::LogCapture log_{true, false};  // the shell attaches it itself
};

TEST_F(StartupTest, RunsEveryStepInOrderThenLoopsUntilQuit) {
  queue_.Post(Msg{WM_QUIT, 0, 0});
  EXPECT_EQ(RunApp(), 0);
  std::vector<std::string> expected = {
      "CreateHMD", "InitInstance(Quela   0.1.0)", "InitializeGraphics", "InitializeHMD", "CreateRendererFilter",
      "RegisterRendererFilterClass", "RegisterRendererFilterProxy", "SetSvpEnabled(0)", "ScheduleSceneLoad"};
  expected.insert(expected.end(), kShutdownOrder.begin(), kShutdownOrder.end());
  EXPECT_EQ(parts_.calls, expected);
  const auto lines = log_.Lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "INFO Quela < 0.1.0 >");
  EXPECT_EQ(lines[1].rfind("INFO Linux Version < ", 0), 0u) << lines[1];
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
  if (*c.logLine) {
    EXPECT_TRUE(Logged(std::string("WARNING ") + c.logLine));
  }
  EXPECT_FALSE(Logged("INFO Quela Initialized!"));
  // Nothing after the failing step but the shutdown sequence.
  std::string failedCall;
  for (const auto& call : parts_.calls)
    if (call.rfind(c.step, 0) == 0) failedCall = call;
  EXPECT_EQ(CallsAfter(failedCall), kShutdownOrder);
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

// The command line's simulated headset wins over the settings; after shutdown lines no longer reach the log.
TEST_F(StartupTest, SimulatedHeadsetFromTheCommandLineAndNoLinesAfterShutdown) {
  ShellSettings settings;
  settings.options.hmd = HmdChoice::kSimulated;
  queue_.Post(Msg{WM_QUIT, 0, 0});
  RunApp(settings);
  EXPECT_EQ(parts_.calls.front(), "CreateHMD(simulated)");
  LOG(INFO) << "after shutdown";
  EXPECT_FALSE(Logged("INFO after shutdown"));
}

TEST(SystemInfoTest, PrettyNameIsUnquotedAndOptional) {
  EXPECT_EQ(PrettyNameFromOsRelease("NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(PrettyNameFromOsRelease("PRETTY_NAME=Arch"), "Arch");
  EXPECT_EQ(PrettyNameFromOsRelease("PRETTY_NAME='Single'\n"), "Single");
  EXPECT_EQ(PrettyNameFromOsRelease("NAME=x\nXPRETTY_NAME=\"no\"\n"), "");
}

}  // namespace
}  // namespace quela
