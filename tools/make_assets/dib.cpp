#include "tools/make_assets/dib.h"

#include "tools/make_assets/vga_palette.h"

namespace brevolt::assets {
namespace {

constexpr int kMaskBits = 1;

bool IsCutOut(const Rgba& pixel) { return pixel.a < kMaskAlphaThreshold; }

void PutHeader(Bytes& out, const Image& image, DibDepth depth, int stored_height,
               std::uint32_t image_size) {
  PutU32(out, kBitmapInfoHeaderSize);
  PutI32(out, image.width());
  PutI32(out, stored_height);
  PutU16(out, 1);  // planes
  PutU16(out, static_cast<unsigned>(depth));
  PutU32(out, 0);  // BI_RGB: uncompressed
  PutU32(out, image_size);
  PutI32(out, kPixelsPerMetre);
  PutI32(out, kPixelsPerMetre);
  PutU32(out, 0);  // colours used: all the depth allows
  PutU32(out, 0);  // colours important: all
}

void PutPalette(Bytes& out, DibDepth depth) {
  if (depth != DibDepth::kPalette4) return;
  for (const Rgba& c : VgaPalette()) {
    PutU8(out, c.b);
    PutU8(out, c.g);
    PutU8(out, c.r);
    PutU8(out, 0);
  }
}

// masked: whether cut-out pixels are stored black, as an icon's XOR image
// must be for the screen to show through untouched.
void PutColourRows(Bytes& out, const Image& image, DibDepth depth, bool masked) {
  const int bits = static_cast<int>(depth);
  const std::uint32_t row_size = DibRowSize(image.width(), bits);
  for (int y = image.height() - 1; y >= 0; --y) {
    const std::size_t row_start = out.size();
    int pending_nibble = -1;
    for (int x = 0; x < image.width(); ++x) {
      Rgba p = image.at(x, y);
      const bool cut = masked && IsCutOut(p);
      switch (depth) {
        case DibDepth::kPalette4: {
          const int index = cut ? 0 : NearestVgaIndex(p);
          if (pending_nibble < 0) {
            pending_nibble = index;
          } else {
            PutU8(out, static_cast<unsigned>(pending_nibble << 4 | index));
            pending_nibble = -1;
          }
          break;
        }
        case DibDepth::kRgb24:
          if (cut) p = Rgba{};
          PutU8(out, p.b);
          PutU8(out, p.g);
          PutU8(out, p.r);
          break;
        case DibDepth::kArgb32:
          // Straight alpha is what the format means; no black-out here, the
          // alpha channel already carries the shape.
          PutU8(out, p.b);
          PutU8(out, p.g);
          PutU8(out, p.r);
          PutU8(out, p.a);
          break;
      }
    }
    if (pending_nibble >= 0) PutU8(out, static_cast<unsigned>(pending_nibble << 4));
    out.resize(row_start + row_size, 0);
  }
}

void PutMaskRows(Bytes& out, const Image& image) {
  const std::uint32_t row_size = DibRowSize(image.width(), kMaskBits);
  for (int y = image.height() - 1; y >= 0; --y) {
    Bytes row(row_size, 0);
    for (int x = 0; x < image.width(); ++x) {
      if (IsCutOut(image.at(x, y)))
        row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
}

}  // namespace

std::uint32_t DibRowSize(int width, int bits_per_pixel) {
  const auto bits = static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(bits_per_pixel);
  return (bits + 31) / 32 * 4;
}

Bytes EncodeBitmapDib(const Image& image, DibDepth depth) {
  const std::uint32_t colour_size =
      DibRowSize(image.width(), static_cast<int>(depth)) * static_cast<std::uint32_t>(image.height());
  Bytes out;
  PutHeader(out, image, depth, image.height(), colour_size);
  PutPalette(out, depth);
  PutColourRows(out, image, depth, /*masked=*/false);
  return out;
}

Bytes EncodeIconDib(const Image& image, DibDepth depth) {
  const auto height = static_cast<std::uint32_t>(image.height());
  const std::uint32_t colour_size = DibRowSize(image.width(), static_cast<int>(depth)) * height;
  const std::uint32_t mask_size = DibRowSize(image.width(), kMaskBits) * height;
  Bytes out;
  // The stored height counts the colour image and the mask stacked.
  PutHeader(out, image, depth, 2 * image.height(), colour_size + mask_size);
  PutPalette(out, depth);
  PutColourRows(out, image, depth, /*masked=*/true);
  PutMaskRows(out, image);
  return out;
}

}  // namespace brevolt::assets
