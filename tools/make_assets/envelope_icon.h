#pragma once
// The application icon: a closed envelope, for a program that signs people
// up to a mailing list.
#include <array>

#include "tools/make_assets/image.h"

namespace brevolt::assets {

// The sizes of the icon file; the desktop's icon theme gets these and the
// large ones.
inline constexpr std::array<int, 4> kIconSides = {16, 32, 48, 64};
inline constexpr std::array<int, 2> kLargeThemeIconSides = {128, 256};

enum class IconFinish {
  // Anti-aliased with a shaded paper: for the true-colour images.
  kSmooth,
  // Hard edges and flat colours only, for the 16-colour images: blended
  // edge pixels would fall between palette entries and turn to speckle.
  kFlat,
};

// One square image of the given side, straight alpha, transparent around
// the envelope.
Image DrawEnvelopeIcon(int side, IconFinish finish);

}  // namespace brevolt::assets
