// The real program, started headless in a temporary directory as a user would start it, with what it
// leaves behind checked: exit status, standard streams, log file, screenshots.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <regex>

#include "tests/support/temp_dir.h"
#include "toolkit/png_file.h"

namespace quela::test {
namespace {

constexpr auto npos = std::string::npos;

struct ProgramRun {
  int exitStatus = -1;  // exit status, or 128 + signal
  std::string out, err;
};

// Runs the program with args in dir with no display; a hang ends as SIGALRM, not as a stuck test.
ProgramRun RunQuela(const std::filesystem::path& dir, std::vector<std::string> args, int timeoutSeconds = 60) {
  const std::string outFile = dir / "stdout.txt", errFile = dir / "stderr.txt";
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(dir.c_str()) != 0 || !freopen(outFile.c_str(), "w", stdout) || !freopen(errFile.c_str(), "w", stderr))
      _exit(126);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    alarm(static_cast<unsigned>(timeoutSeconds));
    std::vector<char*> argv{const_cast<char*>(QUELA_BINARY)};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(QUELA_BINARY, argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), ReadFile(outFile), ReadFile(errFile)};
}

// The text of the program's log file in folder; empty when there is none.
std::string ReadLogFile(const std::filesystem::path& folder) {
  std::error_code missing;
  for (const auto& entry : std::filesystem::directory_iterator(folder, missing))
    if (entry.path().filename().string().rfind("Quela.g2log.", 0) == 0) return ReadFile(entry.path());
  return {};
}

// Without a headset: the box on standard error, the log, exit status 255. The settings file is read from
// the working directory; with no log folder there the log lands beside it, with the notice.
TEST(StartupE2E, WithoutAHeadsetShowsTheBoxLogsAndExits255) {
  TempDir dir;
  dir.Write("quela.ini", "[RENDER_SETTINGS]\r\nMULTISAMPLING=2\r\n[COMP_SETTINGS]\r\nEXTENDED_DESKTOP=1\r\n");
  const ProgramRun run = RunQuela(dir.path(), {"--headless"});
  EXPECT_EQ(run.exitStatus, 255);
  EXPECT_NE(run.err.find("Quela - Oculus Rift not detected\nOculus Rift not detected."), npos) << run.err;
  EXPECT_NE(run.err.find("Cannot write log file to location, attempting current directory"), npos);
  const std::string log = ReadLogFile(dir.path());
  EXPECT_EQ(log.rfind("\t\tg2log created log at: ", 0), 0u) << log;
  for (const char* line : {"\"Quela < 0.1.0 >\"", "\"Quela.ini Loading..\"", "\"ini: MultiSampling ( true )\"",
                           "\"ini: ExtendedDesktopComptabilityMode ( true )\"", "\"Creating HMD...\"", "\"Set Denormals\""})
    EXPECT_NE(log.find(line), npos) << line;
  EXPECT_EQ(log.find("HMD Created"), npos);
}

TEST(StartupE2E, UsageErrorsMalformedScriptVersionAndHelp) {
  TempDir dir;
  EXPECT_EQ(RunQuela(dir.path(), {"--no-such-option"}).exitStatus, 2);
  dir.Write("bad.txt", "0.5 key 27 down\n1.0 jump 3\n");
  const ProgramRun script = RunQuela(dir.path(), {"--headless", "--script=bad.txt"});
  EXPECT_EQ(script.exitStatus, 2);
  EXPECT_NE(script.err.find("bad.txt:2:"), npos) << script.err;
  const ProgramRun version = RunQuela(dir.path(), {"--version"});
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_EQ(version.out, "Quela 0.1.0\n");
  const ProgramRun help = RunQuela(dir.path(), {"--help"});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_NE(help.out.find("--hmd="), npos);
}

// Screenshots of the simulated DK2's shared eye target (2364 x 1461, left eye in the left half) and of the
// mirror: each screen lands where its geometry puts it.
constexpr int kEyeWidth = 1182, kEyeHeight = 1461;

struct Pixel {
  int r, g, b;
};
Pixel At(const toolkit::Image& image, int x, int y) {
  const std::uint8_t* p = image.rgba.data() + (static_cast<std::size_t>(y) * image.width + x) * 4;
  return {p[0], p[1], p[2]};
}
bool Lit(Pixel p) { return p.r > 128 && p.g > 128 && p.b > 128; }
bool Dark(Pixel p) { return p.r < 16 && p.g < 16 && p.b < 16; }

TEST(RenderE2E, ScreensAndPlacementLandWhereTheirGeometrySays) {
  TempDir dir;
  const auto run = [&](int screenType, const std::string& script) {
    dir.Write("quela.ini", "[QUELA_SETTINGS]\nDEFAULT_SCREEN_TYPE=" + std::to_string(screenType) + "\n");
    dir.Write("shots.txt", script);
    const ProgramRun result = RunQuela(dir.path(), {"--hmd=simulated", "--headless", "--script=shots.txt"}, 240);
    ASSERT_EQ(result.exitStatus, 0) << result.err << ReadLogFile(dir.path());
  };
  run(0, "0.2 screenshot flat.png eyes\n0.2 screenshot mirror.png\n0.3 key 0x26 down\n0.3 key 0x26 up\n"
         "0.4 screenshot above.png eyes\n0.5 pose 0 90 0\n0.6 screenshot lookup.png eyes\n0.7 quit\n");
  run(4, "0.2 screenshot dome.png eyes\n0.3 quit\n");
  run(6, "0.2 screenshot sphere.png eyes\n0.3 quit\n");
  const auto shot = [&](const char* name) { return toolkit::ReadPngFile(dir.path() / name); };
  const toolkit::Image flat = shot("flat.png"), above = shot("above.png"), lookup = shot("lookup.png"),
                       dome = shot("dome.png"), sphere = shot("sphere.png"), mirror = shot("mirror.png");

  ASSERT_EQ(flat.width, 2 * kEyeWidth);
  ASSERT_EQ(flat.height, kEyeHeight);
  for (int eye = 0; eye < 2; ++eye) {
    const int x0 = eye * (kEyeWidth + 1);
    SCOPED_TRACE(eye);
    // The flat screen stands ahead: the middle of each eye sees it, the corners do not.
    EXPECT_TRUE(Lit(At(flat, x0 + kEyeWidth / 2, kEyeHeight / 2)));
    EXPECT_TRUE(Dark(At(flat, x0 + 20, 20)));
    EXPECT_TRUE(Dark(At(flat, x0 + kEyeWidth - 20, kEyeHeight - 20)));
    // The dome and the sphere surround the viewer: even the edges see them.
    EXPECT_TRUE(Lit(At(dome, x0 + 20, kEyeHeight / 2)));
    EXPECT_TRUE(Lit(At(sphere, x0 + 20, 20)));
    // Overhead, the flat screen leaves the view ahead and fills the view straight up.
    EXPECT_TRUE(Dark(At(above, x0 + kEyeWidth / 2, kEyeHeight / 2)));
    EXPECT_TRUE(Lit(At(lookup, x0 + kEyeWidth / 2, kEyeHeight / 2)));
  }
  // The flat screen is centred between the eyes: each eye sees it shifted toward the nose.
  const auto firstLit = [&](int x0) {
    for (int x = 0; x < kEyeWidth; ++x)
      if (Lit(At(flat, x0 + x, kEyeHeight / 2))) return x;
    return -1;
  };
  EXPECT_GT(firstLit(0), 0);
  EXPECT_GT(firstLit(kEyeWidth + 1), 0);
  EXPECT_NE(firstLit(0), firstLit(kEyeWidth + 1));

  // The mirror shows both eyes lens-corrected: the screen at each lens centre, black (vignette) at the rim.
  ASSERT_EQ(mirror.width, 1920);
  ASSERT_EQ(mirror.height, 1080);
  EXPECT_TRUE(Lit(At(mirror, 480, 540)));
  EXPECT_TRUE(Lit(At(mirror, 1440, 540)));
  EXPECT_TRUE(Dark(At(mirror, 2, 2)));
  EXPECT_TRUE(Dark(At(mirror, 959, 540)));
}

// A three-second solid red H.264 clip in Matroska plays: the log (in the log folder, when there is one) shows
// it opened, the screen carries it, and the statistics line reaches standard output (the graph is torn down
// after the log is detached).
TEST(PlaybackE2E, AVideoFileShowsOnTheScreenAndItsStatisticsAreReported) {
  TempDir dir;
  const auto clip = dir.path() / "red.mkv";
  ASSERT_EQ(std::system(("gst-launch-1.0 -q videotestsrc num-buffers=75 pattern=solid-color foreground-color=0xffff0000 "
                         "! video/x-raw,width=320,height=180,framerate=25/1 ! x264enc speed-preset=ultrafast ! h264parse "
                         "! matroskamux ! filesink location=" + clip.string() + " > /dev/null 2>&1").c_str()), 0);
  std::filesystem::create_directory(dir.path() / "QuelaDEBUG.log");
  // The file opens a second after start; on a loaded machine the first frames alone can take seconds.
  dir.Write("play.txt", "6.0 screenshot eyes.png eyes\n6.1 quit\n");
  const ProgramRun run = RunQuela(dir.path(), {"--hmd=simulated", "--headless", "--script=play.txt", clip.string()}, 240);
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.err.find("Cannot write log file"), npos) << run.err;
  const std::string log = ReadLogFile(dir.path() / "QuelaDEBUG.log");
  EXPECT_NE(log.find("\"Opening File Success\""), npos) << log;
  EXPECT_NE(log.find("\"Graph Ready, Begin Attempt Success!\""), npos);
  EXPECT_NE(log.find("\"Selected libav Video\""), npos);

  std::smatch drawn;
  ASSERT_TRUE(std::regex_search(run.out, drawn, std::regex("Video Statistics, Frames Drawn ([0-9]+)"))) << run.out;
  EXPECT_GT(std::stoi(drawn[1]), 0);
  const toolkit::Image eyes = toolkit::ReadPngFile(dir.path() / "eyes.png");
  for (int x : {eyes.width / 4, 3 * eyes.width / 4}) {
    const Pixel p = At(eyes, x, eyes.height / 2);
    EXPECT_TRUE(p.r > 200 && p.g < 60 && p.b < 60) << p.r << " " << p.g << " " << p.b;
  }
}

TEST(PlaybackE2E, AFileThatIsNotAVideoIsReportedAndThePlayerCarriesOn) {
  TempDir dir;
  const auto notes = dir.Write("notes.mkv", "this is not a video\n");
  dir.Write("play.txt", "6.0 quit\n");
  const ProgramRun run = RunQuela(dir.path(), {"--hmd=simulated", "--headless", "--script=play.txt", notes.string()}, 240);
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  const std::string log = ReadLogFile(dir.path());
  EXPECT_NE(log.find("\"Opening File Begin\""), npos);
  EXPECT_EQ(log.find("\"Opening File Success\""), npos) << log;
}

}  // namespace
}  // namespace quela::test
