#pragma once
// The standard 16-colour VGA palette in its usual Windows order, and the
// nearest-colour match the 16-colour icon and cursor images are reduced with.
#include <array>
#include <cstdint>

#include "tools/make_assets/image.h"

namespace brevolt::assets {

inline constexpr int kVgaColourCount = 16;

const std::array<Rgba, kVgaColourCount>& VgaPalette();

// Index of the palette entry closest to the colour (alpha ignored); ties go
// to the lower index so the reduction never depends on anything but input.
int NearestVgaIndex(const Rgba& colour);

}  // namespace brevolt::assets
