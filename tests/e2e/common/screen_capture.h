#pragma once
// What a window shows, read back from the X server over the test's own
// connection, so that tests can look at pixels the way a user would see them.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/harness/x_query.h"

namespace brevolt::test {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
  // Dark enough to be ink (text, outlines) on a light background.
  bool IsDark() const { return r + g + b < 3 * 96; }
};
std::ostream& operator<<(std::ostream& out, const Rgb& colour);

class Screenshot {
 public:
  Screenshot(int width, int height, std::vector<Rgb> pixels)
      : width_(width), height_(height), pixels_(std::move(pixels)) {}
  int width() const { return width_; }
  int height() const { return height_; }
  Rgb At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  // Whether any pixel of the inclusive rectangle satisfies `test`.
  bool Any(int x0, int y0, int x1, int y1, const std::function<bool(Rgb)>& test) const;
  // Whether every pixel of the inclusive rectangle satisfies `test`.
  bool All(int x0, int y0, int x1, int y1, const std::function<bool(Rgb)>& test) const;
  // Writes a binary PPM, to look at when a test fails.
  bool SavePpm(const std::string& path) const;

 private:
  int width_;
  int height_;
  std::vector<Rgb> pixels_;
};

// The client area of `window` as shown on the screen (read from the root, so
// whatever covers it is what is seen); nullopt when it is not viewable.
std::optional<Screenshot> CaptureWindow(XQuery& x, XWindow window);

// Captures the window until `shows` holds for a picture, polling at a pace
// the shared machine can afford; returns that picture, or the last one taken
// (nullopt if none) when `timeout` runs out.
std::optional<Screenshot> WaitForPicture(XQuery& x, XWindow window,
                                         const std::function<bool(const Screenshot&)>& shows,
                                         std::chrono::milliseconds timeout, bool* shown = nullptr);

}  // namespace brevolt::test
