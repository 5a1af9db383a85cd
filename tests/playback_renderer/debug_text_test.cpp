// The debug text: what it says in each view, that it is drawn in yellow, and
// how it breaks inside a narrow view.
#include <gtest/gtest.h>

#include <string>

#include "tests/playback_renderer/frame_renderer_fixture.h"

namespace quela::test {
namespace {

int YellowPixels(const std::vector<std::uint8_t>& rgba) {
  int count = 0;
  for (std::size_t i = 0; i < rgba.size(); i += 4) count += rgba[i] > 200 && rgba[i + 1] > 200 && rgba[i + 2] < 60;
  return count;
}

TEST_F(FrameRendererTest, DebugTextNamesTheViewBeforeTheBufferAndIsYellow) {
  screen.SelectStereoMode(StereoMode::SideBySide);
  auto renderer = MakeRenderer();
  const auto frame = TestFrame::Solid(1920, 1080, {40, 0, 0, 255});
  ASSERT_TRUE(Draw(*renderer, frame));
  EXPECT_EQ(YellowPixels(ReadFront(1)), 0);

  showDebugInfo = true;
  ASSERT_TRUE(Draw(*renderer, frame));  // into buffer 1
  ASSERT_TRUE(Draw(*renderer, frame));  // into buffer 0 again
  EXPECT_EQ(renderer->debugText(0, 1),
            "Target 1 0 \nSrc[961,0,1920,1080] RT[960,1080] \nVideo[1920,1080] DPI[96,96] Aspect[1.7778] "
            "\nFlipped[0]");
  EXPECT_EQ(renderer->debugText(1, 0).rfind("Target 0 1 \nSrc[0,0,960,1080]", 0), 0u);
  EXPECT_GT(YellowPixels(ReadFront(1)), 1000);
}

TEST_F(FrameRendererTest, DebugTextReportsTheDrawnAreaInPixels) {
  screen.SelectScreenType(ScreenType::Dome);
  showDebugInfo = true;
  auto renderer = MakeRenderer(120);
  ASSERT_TRUE(Draw(*renderer, TestFrame::Make(1920, 1080, true, [](int, int) { return Bgra{0, 0, 0, 255}; })));
  EXPECT_EQ(renderer->debugText(0, 0),
            "Target 0 0 \nSrc[0,0,1920,1080] RT[2400,1350] \nVideo[1920,1080] DPI[120,120] Aspect[1.0000] "
            "\nFlipped[1]");
}

TEST(WrapText, BreaksAtBlanksToFitTheWidth) {
  const auto tenPerCharacter = [](std::string_view text) { return 10.0f * static_cast<float>(text.size()); };
  struct Row {
    const char* text;
    float width;
    const char* wrapped;
  };
  for (const Row& row :
       {Row{"ab cd ef", 80, "ab cd ef"}, Row{"ab cd ef", 50, "ab cd \nef"}, Row{"ab cd \nef gh", 50, "ab cd \nef gh"},
        Row{"abcdefgh ij", 30, "abcdefgh \nij"}, Row{"", 30, ""}}) {
    EXPECT_EQ(WrapText(row.text, row.width, tenPerCharacter), row.wrapped) << row.text;
  }
}

}  // namespace
}  // namespace quela::test
