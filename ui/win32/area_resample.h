#pragma once
// Resizing a picture by area: each new pixel is the average of the old
// pixels it covers, weighted by how much of each it covers. Shrinking the
// nearest larger drawing this way keeps lines and text smooth where a
// plain stretch would drop or double rows.
#include <cstdint>
#include <vector>

namespace brevolt::ui::win32 {

// 32-bit pixels, four 8-bit channels each, rows top down with no padding.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> data;
};

Pixels ResampleByArea(const Pixels& from, int width, int height);

}  // namespace brevolt::ui::win32
