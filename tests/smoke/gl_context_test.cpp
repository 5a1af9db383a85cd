#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "tests/support/headless_gl.h"

// The headless context every GL test stands on: core 3.3 or newer, and a
// clear colour that reads back from the default framebuffer.
TEST(HeadlessGl, ClearsAndReadsBack) {
  quela::test::HeadlessGl gl(8, 8);
  EXPECT_GE(epoxy_gl_version(), 33);
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  unsigned char px[4] = {};
  glReadPixels(4, 4, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
  EXPECT_EQ(px[0], 255);
  EXPECT_EQ(px[1], 0);
}
