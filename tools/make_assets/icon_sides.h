#pragma once
// The sides of the icon's images, in pixels. Apart from the drawing, so
// that the Windows build's tests can read them too.
#include <array>

namespace brevolt::assets {

// The sizes of the icon file; the desktop's icon theme gets these and the
// large ones.
inline constexpr std::array<int, 4> kIconSides = {16, 32, 48, 64};
inline constexpr std::array<int, 2> kLargeThemeIconSides = {128, 256};
// The Windows program's icon holds these too, in 32-bit colour only: the
// caption's and taskbar's sizes at 125% to 250%, so none is stretched up
// there; and Explorer's largest view, as a PNG.
inline constexpr std::array<int, 3> kWindowsScaledIconSides = {20, 24, 40};
inline constexpr int kWindowsLargestIconSide = 256;

}  // namespace brevolt::assets
