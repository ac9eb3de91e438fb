#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  // Every test brings its own X server; the display this was started from
  // is never touched.
  unsetenv("DISPLAY");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
