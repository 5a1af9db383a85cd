#include <SDL.h>
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ovr/headset_display.h"
#include "ovr/headset_window.h"
#include "tests/support/headless_gl.h"

namespace {

using namespace quela::ovr;

TEST(ChooseHeadsetDisplay, FindsThePanelBySizeAndName) {
  const ovrSizei dk2{1920, 1080};
  const DisplayInfo desk{"DELL U2412M", 1920, 1200}, tv{"LG TV", 1920, 1080}, rift{"Rift DK2", 1080, 1920},
      plain{"", 1920, 1080};
  const struct {
    const char* what;
    std::vector<DisplayInfo> displays;
    int configured, expected;
  } rows[] = {
      {"named, in portrait", {desk, tv, rift}, kAutomaticDisplay, 2},
      {"named beats an earlier display of the same size", {tv, rift}, kAutomaticDisplay, 1},
      {"the only secondary display of that size", {desk, plain}, kAutomaticDisplay, 1},
      {"two unnamed candidates are not guessed", {desk, plain, plain}, kAutomaticDisplay, -1},
      {"the main display alone is not the headset", {tv}, kAutomaticDisplay, -1},
      {"no display of that size", {desk}, kAutomaticDisplay, -1},
      {"the settings' choice wins", {desk, tv, rift}, 0, 0},
      {"a choice past the last display is ignored", {desk, tv, rift}, 7, 2},
  };
  for (const auto& row : rows)
    EXPECT_EQ(ChooseHeadsetDisplay(row.displays, dk2, "Rift (DK2)", row.configured), row.expected) << row.what;
}

// The headset's window is opened on the offscreen driver's display; what the runtime draws into its
// framebuffer reaches the program's window as the mirror, or the program's window goes black.
TEST(HeadsetWindow, OpensBorderlessAndMirrorsIntoTheMainWindow) {
  quela::test::HeadlessGl gl(96, 54);
  auto output = HeadsetWindow::Open(0, gl.window(), {192, 108}, false);
  ASSERT_TRUE(output);
  SDL_Window* headset = nullptr;
  for (Uint32 id = 1; id < 16 && !headset; ++id)
    if (SDL_Window* w = SDL_GetWindowFromID(id); w && std::string(SDL_GetWindowTitle(w)) == "Quela - Headset") headset = w;
  ASSERT_NE(headset, nullptr);
  EXPECT_TRUE(SDL_GetWindowFlags(headset) & SDL_WINDOW_BORDERLESS);

  const auto mainPixel = [](int x, int y) {
    unsigned char p[4] = {};
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return std::vector<int>{p[0], p[1], p[2]};
  };
  for (bool mirror : {true, false}) {
    // Left half red, right half blue, as two eyes would be.
    glBindFramebuffer(GL_FRAMEBUFFER, output->Framebuffer());
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 96, 108);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(96, 0, 96, 108);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClearColor(0, 1, 0, 1);
    glDisable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);  // the copy must not be cut by the caller's scissor

    output->Show(mirror, 0);
    GLint draw = -1;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw);
    EXPECT_EQ(draw, 0);
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    glDisable(GL_SCISSOR_TEST);
    glFinish();
    EXPECT_EQ(mainPixel(20, 27), (mirror ? std::vector<int>{255, 0, 0} : std::vector<int>{0, 0, 0}));
    EXPECT_EQ(mainPixel(76, 27), (mirror ? std::vector<int>{0, 0, 255} : std::vector<int>{0, 0, 0}));
  }
  EXPECT_EQ(SDL_GL_GetCurrentWindow(), gl.window());
}

}  // namespace
