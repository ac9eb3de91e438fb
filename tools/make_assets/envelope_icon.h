#pragma once
// The application icon: a closed envelope, for a program that signs people
// up to a mailing list.
#include "tools/make_assets/icon_sides.h"
#include "tools/make_assets/image.h"

namespace brevolt::assets {

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
