#include <gdk/gdk.h>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  // Every test brings its own X server; the display this was started from
  // is never touched.
  unsetenv("DISPLAY");
  gdk_set_allowed_backends("x11");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
