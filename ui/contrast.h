#pragma once
// Contrast between two colours as the web's accessibility guidelines measure
// it: from 1:1 (the same) to 21:1 (black on white).
#include <algorithm>
#include <cmath>

namespace brevolt::ui {

// The least contrast for normal-sized text to count as readable (level AA).
inline constexpr double kReadableContrast = 4.5;

// sRGB channels from 0 to 1.
struct Colour {
  double r, g, b;
};

inline double RelativeLuminance(const Colour& c) {
  const auto linear = [](double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
}

inline double ContrastRatio(const Colour& a, const Colour& b) {
  const double la = RelativeLuminance(a);
  const double lb = RelativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace brevolt::ui
