// The real program plays a real file in the simulated headset, headless.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "tests/e2e/run_program.h"
#include "tests/support/temp_dir.h"
#include "toolkit/png_file.h"

namespace quela::test {
namespace {

// A three-second solid red H.264 clip in Matroska, made with GStreamer's own encoder.
std::filesystem::path MakeRedClip(const TempDir& dir) {
  const auto clip = dir.path() / "red.mkv";
  const std::string command =
      "gst-launch-1.0 -q videotestsrc num-buffers=75 pattern=solid-color foreground-color=0xffff0000 "
      "! video/x-raw,width=320,height=180,framerate=25/1 ! x264enc speed-preset=ultrafast ! h264parse "
      "! matroskamux ! filesink location=" + clip.string() + " > /dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
  return clip;
}

TEST(PlaybackE2E, AVideoFileShowsOnTheScreenAndItsStatisticsAreReported) {
  TempDir dir;
  const auto clip = MakeRedClip(dir);
  // The file opens a second after start; on a loaded machine the first frames alone can take seconds.
  dir.Write("play.txt", "6.0 screenshot eyes.png eyes\n6.1 quit\n");
  const ProgramRun run =
      RunQuela(dir.path(), {"--hmd=simulated", "--headless", "--script=play.txt", clip.string()}, 240);
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const std::string log = ReadLogFile(dir.path());
  EXPECT_NE(log.find("\"Opening File Success\""), std::string::npos) << log;
  EXPECT_NE(log.find("\"Graph Ready, Begin Attempt Success!\""), std::string::npos);
  EXPECT_NE(log.find("\"Selected libav Video\""), std::string::npos);

  // The graph is torn down after the log is detached: its statistics line goes to standard output.
  std::smatch drawn;
  ASSERT_TRUE(std::regex_search(run.out, drawn, std::regex("Video Statistics, Frames Drawn ([0-9]+)"))) << run.out;
  EXPECT_GT(std::stoi(drawn[1]), 0);

  // The screen carries the video: red in the middle of both eyes.
  const toolkit::Image eyes = toolkit::ReadPngFile(dir.path() / "eyes.png");
  for (int x : {eyes.width / 4, 3 * eyes.width / 4}) {
    const std::uint8_t* p = eyes.rgba.data() + (static_cast<std::size_t>(eyes.height / 2) * eyes.width + x) * 4;
    EXPECT_GT(p[0], 200);
    EXPECT_LT(p[1], 60);
    EXPECT_LT(p[2], 60);
  }
}

TEST(PlaybackE2E, AFileThatIsNotAVideoIsReportedAndThePlayerCarriesOn) {
  TempDir dir;
  dir.Write("notes.mkv", "this is not a video\n");
  dir.Write("play.txt", "6.0 quit\n");
  const ProgramRun run = RunQuela(
      dir.path(), {"--hmd=simulated", "--headless", "--script=play.txt", (dir.path() / "notes.mkv").string()}, 240);
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  const std::string log = ReadLogFile(dir.path());
  EXPECT_NE(log.find("\"Opening File Begin\""), std::string::npos);
  EXPECT_EQ(log.find("\"Opening File Success\""), std::string::npos) << log;
}

}  // namespace
}  // namespace quela::test
