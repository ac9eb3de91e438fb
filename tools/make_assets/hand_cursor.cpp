#include "tools/make_assets/hand_cursor.h"

#include <array>
#include <stdexcept>
#include <string_view>

namespace brevolt::assets {
namespace {

// Drawn pixel by pixel: at 32 pixels a cursor reads best when every edge
// pixel is chosen, which no anti-aliased path gives.
// '#' outline, 'o' fill, '.' transparent.
constexpr std::array<std::string_view, kHandCursorSide> kHandPixels = {
    "................................",  //  0
    "................................",  //  1
    "................................",  //  2
    "................................",  //  3
    "................................",  //  4
    "................................",  //  5
    "...........###..................",  //  6 fingertip
    "..........#ooo#.................",  //  7
    "..........#ooo#.................",  //  8
    "..........#ooo#.................",  //  9
    "..........#ooo#.................",  // 10
    "..........#ooo#.................",  // 11
    "..........#ooo####..............",  // 12
    "..........#ooo#ooo####..........",  // 13
    "..........#ooo#ooo#ooo###.......",  // 14
    "..........#ooo#ooo#ooo#oo#......",  // 15
    "..........#ooo#ooo#ooo#oo#......",  // 16
    "...###....#oooooooooooooo#......",  // 17 thumb
    "..#ooo#...#oooooooooooooo#......",  // 18
    "..#oooo#..#oooooooooooooo#......",  // 19
    "...#oooo##ooooooooooooooo#......",  // 20
    "....#oooooooooooooooooooo#......",  // 21
    ".....#ooooooooooooooooooo#......",  // 22
    "......#oooooooooooooooooo#......",  // 23
    ".......#ooooooooooooooooo#......",  // 24
    "........#ooooooooooooooo#.......",  // 25
    ".........#oooooooooooooo#.......",  // 26
    ".........#oooooooooooooo#.......",  // 27
    ".........################.......",  // 28 wrist
    "................................",  // 29
    "................................",  // 30
    "................................",  // 31
};

constexpr Rgba kOutline{0x00, 0x00, 0x00, 0xFF};
constexpr Rgba kFill{0xFF, 0xFF, 0xFF, 0xFF};
constexpr Rgba kClear{0x00, 0x00, 0x00, 0x00};

}  // namespace

Image DrawHandCursor(int scale) {
  Image image(kHandCursorSide * scale, kHandCursorSide * scale);
  for (int y = 0; y < kHandCursorSide; ++y) {
    const std::string_view row = kHandPixels[static_cast<std::size_t>(y)];
    if (row.size() != kHandCursorSide) throw std::logic_error("hand cursor row of wrong width");
    for (int x = 0; x < kHandCursorSide; ++x) {
      const char drawn = row[static_cast<std::size_t>(x)];
      const Rgba colour = drawn == '#' ? kOutline : drawn == 'o' ? kFill : kClear;
      for (int dy = 0; dy < scale; ++dy)
        for (int dx = 0; dx < scale; ++dx) image.at(x * scale + dx, y * scale + dy) = colour;
    }
  }
  return image;
}

}  // namespace brevolt::assets
