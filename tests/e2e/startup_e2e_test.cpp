// The real program, started headless as a user would start it.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/e2e/run_program.h"
#include "tests/support/temp_dir.h"

namespace quela::test {
namespace {

TEST(StartupE2E, WithoutAHeadsetShowsTheBoxLogsAndExits255) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "QuelaDEBUG.log");
  const ProgramRun run = RunQuela(dir.path(), {"--headless"});
  EXPECT_EQ(run.exitStatus, 255);
  EXPECT_NE(run.err.find("Quela - Oculus Rift not detected\nOculus Rift not detected."), std::string::npos) << run.err;
  const std::string log = ReadFile(std::filesystem::directory_iterator(dir.path() / "QuelaDEBUG.log")->path());
  EXPECT_EQ(log.rfind("\t\tg2log created log at: ", 0), 0u);
  for (const char* line : {"\"Quela < 0.1.0 >\"", "\"Quela.ini Loading..\"", "\"ini: MultiSampling ( true )\"",
                           "\"Creating HMD...\"", "\"Set Denormals\""})
    EXPECT_NE(log.find(line), std::string::npos) << line;
  EXPECT_EQ(log.find("HMD Created"), std::string::npos);
}

TEST(StartupE2E, ReadsTheSettingsFileFromTheWorkingDirectory) {
  TempDir dir;
  dir.Write("quela.ini", "[RENDER_SETTINGS]\r\nMULTISAMPLING=2\r\n[COMP_SETTINGS]\r\nEXTENDED_DESKTOP=1\r\n");
  const ProgramRun run = RunQuela(dir.path(), {"--headless"});
  EXPECT_EQ(run.exitStatus, 255);
  const std::string log = ReadLogFile(dir.path());
  EXPECT_NE(log.find("\"ini: MultiSampling ( true )\""), std::string::npos);
  EXPECT_NE(log.find("\"ini: ExtendedDesktopComptabilityMode ( true )\""), std::string::npos);
  // Without the log folder the log lands in the working directory, with the notice.
  EXPECT_NE(run.err.find("Cannot write log file to location, attempting current directory"), std::string::npos);
}

TEST(StartupE2E, MalformedScriptStopsBeforeStartWithItsLineNumber) {
  TempDir dir;
  dir.Write("bad.txt", "0.5 key 27 down\n1.0 jump 3\n");
  const ProgramRun run = RunQuela(dir.path(), {"--headless", "--script=bad.txt"});
  EXPECT_EQ(run.exitStatus, 2);
  EXPECT_NE(run.err.find("bad.txt:2:"), std::string::npos) << run.err;
}

TEST(StartupE2E, UsageErrorsVersionAndHelp) {
  TempDir dir;
  EXPECT_EQ(RunQuela(dir.path(), {"--no-such-option"}).exitStatus, 2);
  const ProgramRun version = RunQuela(dir.path(), {"--version"});
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_EQ(version.out, "Quela 0.1.0\n");
  const ProgramRun help = RunQuela(dir.path(), {"--help"});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_NE(help.out.find("--hmd="), std::string::npos);
}

}  // namespace
}  // namespace quela::test
