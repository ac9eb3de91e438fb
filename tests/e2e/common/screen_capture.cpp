#include "tests/e2e/common/screen_capture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <bit>
#include <fstream>
#include <thread>

namespace brevolt::test {
namespace {

// A 495 x 352 capture costs a few milliseconds of the X server's time; every
// 50 ms keeps the program under test from being starved on two cores.
constexpr auto kCapturePace = std::chrono::milliseconds(50);

std::uint8_t Channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const unsigned long max = mask >> shift;
  return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255 / max);
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const Rgb& colour) {
  return out << "rgb(" << int(colour.r) << "," << int(colour.g) << "," << int(colour.b) << ")";
}

bool Screenshot::Any(int x0, int y0, int x1, int y1,
                     const std::function<bool(Rgb)>& test) const {
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      if (test(At(x, y))) return true;
    }
  }
  return false;
}

bool Screenshot::All(int x0, int y0, int x1, int y1,
                     const std::function<bool(Rgb)>& test) const {
  return !Any(x0, y0, x1, y1, [&](Rgb c) { return !test(c); });
}

bool Screenshot::SavePpm(const std::string& path) const {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << width_ << " " << height_ << "\n255\n";
  for (const Rgb& c : pixels_) out.put(static_cast<char>(c.r)).put(static_cast<char>(c.g)).put(static_cast<char>(c.b));
  return static_cast<bool>(out);
}

std::optional<Screenshot> CaptureWindow(XQuery& x, XWindow window) {
  if (!x.Viewable(window)) return std::nullopt;
  const auto rect = x.Geometry(window);
  if (!rect || rect->width <= 0 || rect->height <= 0) return std::nullopt;
  // From the root: the pixels a user sees there, frames and other windows
  // included, rather than what the window would draw if it were on top.
  XImage* image = XGetImage(x.display(), x.root(), rect->x, rect->y,
                            static_cast<unsigned>(rect->width),
                            static_cast<unsigned>(rect->height), AllPlanes, ZPixmap);
  if (image == nullptr) return std::nullopt;
  std::vector<Rgb> pixels;
  pixels.reserve(static_cast<std::size_t>(rect->width) * rect->height);
  for (int row = 0; row < rect->height; ++row) {
    for (int column = 0; column < rect->width; ++column) {
      const unsigned long pixel = XGetPixel(image, column, row);
      pixels.push_back({Channel(pixel, image->red_mask), Channel(pixel, image->green_mask),
                        Channel(pixel, image->blue_mask)});
    }
  }
  XDestroyImage(image);
  return Screenshot(rect->width, rect->height, std::move(pixels));
}

std::optional<Screenshot> WaitForPicture(XQuery& x, XWindow window,
                                         const std::function<bool(const Screenshot&)>& shows,
                                         std::chrono::milliseconds timeout, bool* shown) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::optional<Screenshot> last;
  if (shown != nullptr) *shown = false;
  for (;;) {
    if (auto picture = CaptureWindow(x, window)) {
      if (shows(*picture)) {
        if (shown != nullptr) *shown = true;
        return picture;
      }
      last = std::move(picture);
    }
    if (std::chrono::steady_clock::now() >= deadline) return last;
    std::this_thread::sleep_for(kCapturePace);
  }
}

}  // namespace brevolt::test
