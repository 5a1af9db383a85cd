// The real program with the simulated headset, headless: screenshots of the
// eye target show each screen where its geometry puts it.
#include <gtest/gtest.h>

#include "tests/e2e/run_program.h"
#include "tests/support/temp_dir.h"
#include "toolkit/png_file.h"

namespace quela::test {
namespace {

// The shared eye target of the simulated DK2: 2364 x 1461, left eye in the left half.
constexpr int kEyeWidth = 1182;
constexpr int kEyeHeight = 1461;

struct Pixel {
  int r, g, b;
};

Pixel At(const toolkit::Image& image, int x, int y) {
  const std::uint8_t* p = image.rgba.data() + (static_cast<std::size_t>(y) * image.width + x) * 4;
  return {p[0], p[1], p[2]};
}

bool Lit(Pixel p) { return p.r > 128 && p.g > 128 && p.b > 128; }
bool Dark(Pixel p) { return p.r < 16 && p.g < 16 && p.b < 16; }

class RenderE2E : public ::testing::Test {
 protected:
  // Runs the script with the screen type chosen in the settings file.
  void Run(const std::string& script, int screenType = 0) {
    dir_.Write("quela.ini", "[QUELA_SETTINGS]\nDEFAULT_SCREEN_TYPE=" + std::to_string(screenType) + "\n");
    dir_.Write("shots.txt", script);
    const ProgramRun run = RunQuela(dir_.path(), {"--hmd=simulated", "--headless", "--script=shots.txt"}, 240);
    ASSERT_EQ(run.exitStatus, 0) << run.err << ReadLogFile(dir_.path());
  }
  toolkit::Image Shot(const std::string& name) { return toolkit::ReadPngFile(dir_.path() / name); }

  TempDir dir_;
};

TEST_F(RenderE2E, ScreensAndPlacementLandWhereTheirGeometrySays) {
  Run("0.2 screenshot flat.png eyes\n"
      "0.3 key 0x26 down\n0.3 key 0x26 up\n0.4 screenshot above.png eyes\n"
      "0.5 pose 0 90 0\n0.6 screenshot lookup.png eyes\n0.7 quit\n");
  const toolkit::Image flat = Shot("flat.png");
  const toolkit::Image above = Shot("above.png");
  const toolkit::Image lookup = Shot("lookup.png");
  Run("0.2 screenshot dome.png eyes\n0.3 quit\n", 4);
  const toolkit::Image dome = Shot("dome.png");
  Run("0.2 screenshot sphere.png eyes\n0.3 quit\n", 6);
  const toolkit::Image sphere = Shot("sphere.png");

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
  const int leftEdge = [&] {
    for (int x = 0; x < kEyeWidth; ++x)
      if (Lit(At(flat, x, kEyeHeight / 2))) return x;
    return -1;
  }();
  const int rightEyeEdge = [&] {
    for (int x = kEyeWidth + 1; x < 2 * kEyeWidth; ++x)
      if (Lit(At(flat, x, kEyeHeight / 2))) return x - (kEyeWidth + 1);
    return -1;
  }();
  EXPECT_GT(leftEdge, 0);
  EXPECT_GT(rightEyeEdge, 0);
  EXPECT_NE(leftEdge, rightEyeEdge);
}

TEST_F(RenderE2E, MirrorShowsBothEyesLensCorrected) {
  Run("0.5 screenshot mirror.png\n0.6 quit\n");
  const toolkit::Image mirror = Shot("mirror.png");
  ASSERT_EQ(mirror.width, 1920);
  ASSERT_EQ(mirror.height, 1080);
  // Each half shows the screen at its lens centre and black (vignette) at the rim.
  EXPECT_TRUE(Lit(At(mirror, 480, 540)));
  EXPECT_TRUE(Lit(At(mirror, 1440, 540)));
  EXPECT_TRUE(Dark(At(mirror, 2, 2)));
  EXPECT_TRUE(Dark(At(mirror, 959, 540)));
}

}  // namespace
}  // namespace quela::test
