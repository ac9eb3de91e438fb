#pragma once
// Where the window's controls lie over its panel picture, in the picture's
// pixels, taken from the layout table both programs place them by.
#include "ui/layout.h"
#include "ui/panel_picture.h"

namespace brevolt::test {

// Every pixel a control may draw on: its place in twips rounded out to
// whole pixels, so that it holds the control however a toolkit rounds.
constexpr ui::PixelBox CoveredBy(ui::ControlId id) {
  constexpr int k = ui::kTwipsPerPixel;
  const auto below = [](int twips) { return twips >= 0 ? twips / k : -((-twips + k - 1) / k); };
  const auto above = [&](int twips) { return -below(-twips); };
  const ui::ControlLayout& c = ui::LayoutOf(id);
  return {below(c.left), below(c.top), above(c.left + c.width) - 1, above(c.top + c.height) - 1};
}

// A box grown by `by` pixels on every side (shrunk when negative).
constexpr ui::PixelBox Grown(const ui::PixelBox& box, int by) {
  return {box.left - by, box.top - by, box.right + by, box.bottom + by};
}

}  // namespace brevolt::test
