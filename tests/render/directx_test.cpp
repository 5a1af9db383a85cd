// The renderer on Mesa llvmpipe with the simulated headset, run from the
// build's run folder where the baked assets are.
#include <gtest/gtest.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "playback/convert/video_frame_buffer.h"
#include "render/directx.h"
#include "render/frame_statistics.h"
#include "render/screen/screen_table.h"
#include "tests/support/headless_gl.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "toolkit/formats/cmo.h"
#include "toolkit/texture.h"

namespace quela {
namespace {

// The window surface as the renderer sees it, over the tests' headless context.
class HeadlessSurface : public GlSurface {
 public:
  explicit HeadlessSurface(test::HeadlessGl& gl) : gl_(gl) {}
  void Resize(int, int) override {}
  bool CreateContext(bool, int samples) override { return requestedSamples = samples, true; }
  bool FramebufferIsSrgb() const override { return srgb; }
  void Swap() override {
    if (readWindow) {
      window.resize(1920 * 1080);
      glReadPixels(0, 0, 1920, 1080, GL_RGBA, GL_UNSIGNED_BYTE, window.data());
    }
    // Whether the video thread could take FrameLock while the runtime presents.
    std::thread([this] {
      lockFreeWhilePresenting = FrameLock.try_lock();
      if (lockFreeWhilePresenting) FrameLock.unlock();
    }).join();
    gl_.Swap();
  }
  std::string Error() const override { return {}; }

  bool srgb = false, lockFreeWhilePresenting = false, readWindow = false;
  int requestedSamples = 0;
  std::vector<std::uint32_t> window;  // RGBA as presented, when readWindow is set

 private:
  test::HeadlessGl& gl_;
};

class DirectXTest : public ::testing::Test {
 protected:
  DirectXTest()
      : gl_(1920, 1080),
        surface_(gl_),
        directx_(oculus_, surface_, [this](std::uint32_t message, WPARAM wParam, LPARAM) {
          if (message == WM_COMMAND) posted_.push_back(static_cast<std::uint32_t>(wParam));
        }) {
    EXPECT_TRUE(oculus_.CreateHMD(true));
  }
  ~DirectXTest() override {
    directx_.Release();
    oculus_.Release();
    oculus_.Destroy();
  }

  // Initialises everything and applies the posted default screen, as the main loop would.
  void Start(const cConfig& config) {
    ASSERT_TRUE(directx_.Initialize(config));
    ASSERT_TRUE(oculus_.Initialize(gl_.window(), directx_.gammaCorrect()));
    for (std::uint32_t id : posted_) directx_.Screen().SelectScreenType(FindScreenByMenuId(id)->type);
  }

  static void SetViews(FrameTexture view0, FrameTexture view1) {
    std::lock_guard lock(FrameLock);
    videoFrameBuffer.frameTextures[0][0] = view0;
    videoFrameBuffer.frameTextures[0][1] = view1;
    videoFrameBuffer.frontBuffer = 0;
  }
  void Frame() {
    ASSERT_TRUE(directx_.PreRender(0.0f));
    directx_.Render();
  }

  // Colour at the centre of an eye's viewport in the shared eye target.
  std::array<std::uint8_t, 4> EyeCentre(int eye) {
    const toolkit::Viewport& v = oculus_.eyeViewport(eye);
    std::array<std::uint8_t, 4> px{};
    glBindFramebuffer(GL_READ_FRAMEBUFFER, oculus_.renderTarget()->framebuffer());
    glReadPixels(int(v.x + v.width / 2), int(v.y + v.height / 2), 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    return px;
  }

  test::HeadlessGl gl_;
  HeadlessSurface surface_;
  test::LogCapture log_;
  std::vector<std::uint32_t> posted_;
  cOculus oculus_;
  cDirectX directx_;
};

// An sRGB device gets the gamma path; multisampling is asked for unless the extended desktop mode is on.
class DirectXGammaTest : public DirectXTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DirectXGammaTest, GammaPathAndMultisamplingFollowTheDeviceAndTheSettings) {
  const bool srgb = GetParam();
  cConfig config;
  config.extendedDesktop = !srgb;
  surface_.srgb = srgb;
  Start(config);
  EXPECT_EQ(surface_.requestedSamples, srgb ? 4 : 1);
  EXPECT_EQ(directx_.gammaCorrect(), srgb);
  EXPECT_TRUE(log_.Logged(srgb ? "Gamma Correct Rendering Path Selected"
                               : "Gamma Correct Rendering Path NOT Selected, Device does not support SRGB"));
  EXPECT_TRUE(log_.Logged("Model[screenSphere360.cmo] Created!"));
  EXPECT_EQ(posted_, (std::vector<std::uint32_t>{32779}));  // the default screen arrives as its menu command
}

INSTANTIATE_TEST_SUITE_P(Srgb, DirectXGammaTest, ::testing::Bool());

TEST_F(DirectXTest, APassWhileFrameLockIsHeldDrawsNothing) {
  Start(cConfig{});
  std::unique_lock held(FrameLock);
  EXPECT_FALSE(directx_.PreRender(0.0f));
  held.unlock();
  Frame();
  EXPECT_TRUE(FrameLock.try_lock()) << "Render must release the lock";
  FrameLock.unlock();
  EXPECT_TRUE(surface_.lockFreeWhilePresenting) << "the video thread waits out the distortion";
}

// The window is not cleared once the runtime draws: whatever it held before must be gone.
TEST_F(DirectXTest, EveryPixelOfTheWindowIsDrawnEachFrame) {
  Start(cConfig{});
  Frame();
  constexpr std::uint32_t kStale = 0xFFFF00FF;  // opaque magenta, in no frame
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glClearColor(1, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  surface_.readWindow = true;
  Frame();
  ASSERT_EQ(surface_.window.size(), 1920u * 1080u);
  EXPECT_EQ(std::count(surface_.window.begin(), surface_.window.end(), kStale), 0);
}

TEST_F(DirectXTest, EachEyeSamplesItsViewAndTheFlipExchangesThem) {
  Start(cConfig{});
  const std::uint8_t red[4] = {255, 0, 0, 255}, green[4] = {0, 255, 0, 255};
  toolkit::Texture2D view0(1, 1, false, red), view1(1, 1, false, green);
  directx_.Screen().SelectStereoMode(StereoMode::SideBySide);
  SetViews({view0.id(), 1, 1}, {view1.id(), 1, 1});
  Frame();
  EXPECT_EQ(EyeCentre(0)[0], 255);
  EXPECT_EQ(EyeCentre(1)[1], 255);

  directx_.Screen().SetStereoFlip();
  Frame();
  EXPECT_EQ(EyeCentre(0)[1], 255) << "the flipped left eye shows view 1";
  EXPECT_EQ(EyeCentre(1)[0], 255);

  // A view that the layout leaves empty draws no screen in that eye.
  SetViews({view0.id(), 1, 1}, {});
  Frame();
  EXPECT_EQ(EyeCentre(0), (std::array<std::uint8_t, 4>{0, 0, 0, 255}));
  SetViews({}, {});
}

TEST_F(DirectXTest, AMissingScreenModelStopsStartUpThroughTheLoadersException) {
  test::TempDir dir;
  const std::filesystem::path run = QUELA_RUN_DIR;
  for (const char* file : {"italic.spritefont", "lambert.dgsl.cso", "Models/screenPlane2014.cmo"})
    dir.Write(file, test::ReadFile(run / file));
  std::filesystem::current_path(dir.path());
  // The test binary's own folder and the data folder hold no assets either.
  EXPECT_THROW(directx_.Initialize(cConfig{}), toolkit::FormatError);
  std::filesystem::current_path(run);
}

TEST(FrameStatisticsTest, SeventyFiveFramesASecondReadAsSuch) {
  VideoStats video;
  video.averageFrameRate = 2397;
  video.framesDropped = 3;
  video.jitter = 4;
  std::atomic<bool> request{false};
  FrameStatistics stats;
  // The first window starts at 0; then a window of exactly one second at 75 frames per second.
  stats.Update(1.0f, video, request);
  request = false;
  for (int frame = 1; frame <= 75; ++frame) {
    stats.Update(1.0f + frame / 75.0f, video, request);
    EXPECT_TRUE(frame == 75 || !request.load()) << "a window closed early at frame " << frame;
  }
  EXPECT_EQ(stats.Text(), "FPS: 75.0  ms: 13.3 \nVideo FPS: 23.97  Dropped: 3  Jitter: 4");
  EXPECT_TRUE(request.load());
}

}  // namespace
}  // namespace quela
