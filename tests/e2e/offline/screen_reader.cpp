#include "tests/e2e/offline/screen_reader.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>

namespace brevolt::test {
namespace {

// Text is drawn near black on the white inside of the fields; the frames
// and the caption's grey are far lighter than this.
constexpr int kDarkLuminance = 100;

int Channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) return 0;
  const unsigned long value = (pixel & mask) >> __builtin_ctzl(mask);
  const unsigned long top = mask >> __builtin_ctzl(mask);
  return static_cast<int>(value * 255 / top);
}

}  // namespace

int DarkColumns(XQuery& x, const WindowRect& area) {
  Display* display = x.display();
  x.Sync();
  // XDestroyImage is a macro, so it is wrapped to serve as a deleter.
  const auto destroy = [](XImage* image) { XDestroyImage(image); };
  std::unique_ptr<XImage, decltype(destroy)> image(
      XGetImage(display, x.root(), area.x, area.y, static_cast<unsigned>(area.width),
                static_cast<unsigned>(area.height), AllPlanes, ZPixmap),
      destroy);
  if (!image) return 0;
  const Visual* visual = DefaultVisual(display, DefaultScreen(display));
  int columns = 0;
  for (int column = 0; column < area.width; ++column) {
    for (int row = 0; row < area.height; ++row) {
      const unsigned long pixel = XGetPixel(image.get(), column, row);
      const int luminance = (299 * Channel(pixel, visual->red_mask) +
                             587 * Channel(pixel, visual->green_mask) +
                             114 * Channel(pixel, visual->blue_mask)) /
                            1000;
      if (luminance < kDarkLuminance) {
        ++columns;
        break;
      }
    }
  }
  return columns;
}

}  // namespace brevolt::test
