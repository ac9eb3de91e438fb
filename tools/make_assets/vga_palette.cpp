#include "tools/make_assets/vga_palette.h"

#include <limits>

namespace brevolt::assets {

const std::array<Rgba, kVgaColourCount>& VgaPalette() {
  static constexpr std::array<Rgba, kVgaColourCount> kPalette = {{
      {0x00, 0x00, 0x00, 0xFF}, {0x80, 0x00, 0x00, 0xFF}, {0x00, 0x80, 0x00, 0xFF},
      {0x80, 0x80, 0x00, 0xFF}, {0x00, 0x00, 0x80, 0xFF}, {0x80, 0x00, 0x80, 0xFF},
      {0x00, 0x80, 0x80, 0xFF}, {0xC0, 0xC0, 0xC0, 0xFF}, {0x80, 0x80, 0x80, 0xFF},
      {0xFF, 0x00, 0x00, 0xFF}, {0x00, 0xFF, 0x00, 0xFF}, {0xFF, 0xFF, 0x00, 0xFF},
      {0x00, 0x00, 0xFF, 0xFF}, {0xFF, 0x00, 0xFF, 0xFF}, {0x00, 0xFF, 0xFF, 0xFF},
      {0xFF, 0xFF, 0xFF, 0xFF},
  }};
  return kPalette;
}

int NearestVgaIndex(const Rgba& colour) {
  // Weights follow the eye's sensitivity so greys and blues land on the
  // entries a person would pick, not on a saturated neighbour.
  constexpr int kRedWeight = 3;
  constexpr int kGreenWeight = 4;
  constexpr int kBlueWeight = 2;
  int best = 0;
  int best_distance = std::numeric_limits<int>::max();
  for (int i = 0; i < kVgaColourCount; ++i) {
    const Rgba& p = VgaPalette()[static_cast<std::size_t>(i)];
    const int dr = colour.r - p.r;
    const int dg = colour.g - p.g;
    const int db = colour.b - p.b;
    const int distance = kRedWeight * dr * dr + kGreenWeight * dg * dg + kBlueWeight * db * db;
    if (distance < best_distance) {
      best_distance = distance;
      best = i;
    }
  }
  return best;
}

}  // namespace brevolt::assets
