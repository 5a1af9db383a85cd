#include "render/screen/stereo_layout.h"

#include <gtest/gtest.h>

namespace quela {
namespace {

TEST(StereoLayout, SplitAspectAndEyesPerLayout) {
  struct Row {
    StereoMode mode;
    PixelRect view0, view1;
    int textureWidth, textureHeight;
    float fullAspect;
    int flippedLeftEyeView;
  } rows[] = {
      {StereoMode::Mono2D, {0, 0, 1920, 1080}, {}, 1920, 1080, 1.7777778f, 0},
      {StereoMode::SideBySide, {0, 0, 960, 1080}, {961, 0, 1920, 1080}, 960, 1080, 0.8888889f, 1},
      {StereoMode::OverUnder, {0, 0, 1920, 540}, {0, 541, 1920, 1080}, 1920, 540, 3.5555556f, 1},
      {static_cast<StereoMode>(7), {0, 0, 1920, 1080}, {}, 1920, 1080, 1.7777778f, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.mode));
    const FrameViews v = SplitFrame(1920, 1080, r.mode);
    EXPECT_EQ(v.count, r.view1 == PixelRect{} ? 1 : 2);
    EXPECT_EQ(v.views[0], r.view0);
    EXPECT_EQ(v.views[1], r.view1);
    EXPECT_EQ(v.textureWidth, r.textureWidth);
    EXPECT_EQ(v.textureHeight, r.textureHeight);
    EXPECT_FLOAT_EQ(PictureAspect(1920, 1080, r.mode, Video3DType::HalfHalf), 1.7777778f);
    EXPECT_FLOAT_EQ(PictureAspect(1920, 1080, r.mode, Video3DType::FullFull), r.fullAspect);
    // The view each eye finally shows: the frame renderer's entry, chosen through the flip.
    EXPECT_EQ(FrameTextureView(EyeEntry(0, true), r.mode), r.flippedLeftEyeView);
    EXPECT_EQ(FrameTextureView(EyeEntry(1, true), r.mode), 0);
    EXPECT_EQ(FrameTextureView(EyeEntry(1, false), r.mode), r.flippedLeftEyeView);
  }
}

// Halves truncate; tiny frames give no inside-out rectangle and no infinite aspect.
TEST(StereoLayout, OddAndDegenerateFrames) {
  EXPECT_EQ(SplitFrame(1921, 1081, StereoMode::SideBySide).views[1], (PixelRect{961, 0, 1921, 1081}));
  EXPECT_EQ(SplitFrame(1921, 1081, StereoMode::OverUnder).views[1], (PixelRect{0, 541, 1921, 1081}));
  EXPECT_EQ(SplitFrame(0, 0, StereoMode::SideBySide).views[1], (PixelRect{0, 0, 0, 0}));
  EXPECT_EQ(SplitFrame(1, 1, StereoMode::OverUnder).views[1], (PixelRect{0, 1, 1, 1}));
  EXPECT_EQ(PictureAspect(1920, 0, StereoMode::OverUnder, Video3DType::FullFull), 0.0f);
}

}  // namespace
}  // namespace quela
