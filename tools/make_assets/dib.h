#pragma once
// Device-independent bitmaps: the pixel block shared by .bmp files and by
// each image inside .ico and .cur files.
#include "tools/make_assets/byte_writer.h"
#include "tools/make_assets/image.h"

namespace brevolt::assets {

enum class DibDepth { kPalette4 = 4, kRgb24 = 24, kArgb32 = 32 };

inline constexpr int kBitmapInfoHeaderSize = 40;
// 96 dots per inch, in the header's pixels-per-metre unit.
inline constexpr std::int32_t kPixelsPerMetre = 3780;
// Pixels less opaque than this are cut out by the AND mask.
inline constexpr int kMaskAlphaThreshold = 128;

// Bytes in one bottom-up row of the given bit depth, padded to 32 bits.
std::uint32_t DibRowSize(int width, int bits_per_pixel);

// The header, palette and colour rows of a plain .bmp file (no mask).
Bytes EncodeBitmapDib(const Image& image, DibDepth depth);

// An icon or cursor image: header with doubled height, palette, colour rows
// (black where the mask cuts), then the 1-bit AND mask.
Bytes EncodeIconDib(const Image& image, DibDepth depth);

}  // namespace brevolt::assets
