// Sets up the C++ wrappers of the image library, as the toolkit's own
// start-up does in the program, but without opening any display.
#include <gdkmm/wrap_init.h>
#include <giomm/init.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  Gio::init();
  Gdk::wrap_init();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
