#include "tests/assets/windows_file_reader.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace brevolt::test {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;

unsigned U16(const Bytes& b, std::size_t at) {
  if (at + 2 > b.size()) throw std::out_of_range("read past end of file");
  return b[at] | b[at + 1] << 8;
}

std::uint32_t U32(const Bytes& b, std::size_t at) {
  return U16(b, at) | static_cast<std::uint32_t>(U16(b, at + 2)) << 16;
}

std::size_t RowSize(int width, unsigned bits) {
  return (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
}

// Reads a BITMAPINFOHEADER at `at`, its palette, and the pixel rows at
// pixels_at (0: right after the palette). Icon images stack the colour image
// and the AND mask, so their stated height is twice the picture's.
Bitmap ReadDib(const Bytes& b, std::size_t at, std::size_t pixels_at, bool with_mask) {
  if (U32(b, at) != kInfoHeaderSize) throw std::runtime_error("not a BITMAPINFOHEADER");
  Bitmap bm;
  bm.header.width = static_cast<std::int32_t>(U32(b, at + 4));
  bm.header.height = static_cast<std::int32_t>(U32(b, at + 8));
  bm.header.planes = U16(b, at + 12);
  bm.header.bit_count = U16(b, at + 14);
  bm.header.compression = U32(b, at + 16);
  const std::uint32_t colours_used = U32(b, at + 32);
  if (bm.header.compression != 0) throw std::runtime_error("compressed bitmap");

  const bool bottom_up = bm.header.height > 0;
  const int stored_height = bottom_up ? bm.header.height : -bm.header.height;
  bm.width = bm.header.width;
  bm.height = with_mask ? stored_height / 2 : stored_height;
  const unsigned bits = bm.header.bit_count;

  std::size_t cursor = at + kInfoHeaderSize;
  if (bits <= 8) {
    const std::uint32_t entries = colours_used != 0 ? colours_used : 1u << bits;
    for (std::uint32_t i = 0; i < entries; ++i, cursor += 4)
      bm.palette.push_back({b.at(cursor + 2), b.at(cursor + 1), b.at(cursor), 255});
  }
  if (pixels_at == 0) pixels_at = cursor;

  const std::size_t row_size = RowSize(bm.width, bits);
  bm.pixels.resize(static_cast<std::size_t>(bm.width) * static_cast<std::size_t>(bm.height));
  for (int row = 0; row < bm.height; ++row) {
    const int y = bottom_up ? bm.height - 1 - row : row;
    const std::size_t start = pixels_at + static_cast<std::size_t>(row) * row_size;
    if (start + row_size > b.size()) throw std::out_of_range("pixel rows past end of file");
    for (int x = 0; x < bm.width; ++x) {
      Pixel& p = bm.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(bm.width) +
                           static_cast<std::size_t>(x)];
      const std::size_t ux = static_cast<std::size_t>(x);
      switch (bits) {
        case 4: {
          const std::uint8_t byte = b[start + ux / 2];
          p = bm.palette.at(x % 2 == 0 ? byte >> 4 : byte & 0x0F);
          break;
        }
        case 24:
          p = {b[start + ux * 3 + 2], b[start + ux * 3 + 1], b[start + ux * 3], 255};
          break;
        case 32:
          p = {b[start + ux * 4 + 2], b[start + ux * 4 + 1], b[start + ux * 4], b[start + ux * 4 + 3]};
          break;
        default:
          throw std::runtime_error("unexpected bit count " + std::to_string(bits));
      }
    }
  }

  if (with_mask) {
    const std::size_t mask_at = pixels_at + row_size * static_cast<std::size_t>(bm.height);
    const std::size_t mask_row = RowSize(bm.width, 1);
    bm.cut.resize(bm.pixels.size());
    for (int row = 0; row < bm.height; ++row) {
      const int y = bm.height - 1 - row;
      const std::size_t start = mask_at + static_cast<std::size_t>(row) * mask_row;
      if (start + mask_row > b.size()) throw std::out_of_range("mask rows past end of file");
      for (int x = 0; x < bm.width; ++x) {
        const std::size_t ux = static_cast<std::size_t>(x);
        bm.cut[static_cast<std::size_t>(y) * static_cast<std::size_t>(bm.width) + ux] =
            (b[start + ux / 8] >> (7 - ux % 8) & 1) != 0;
      }
    }
  }
  return bm;
}

}  // namespace

Bytes ReadAssetFile(const std::string& relative_path) {
  const std::string path = std::string(BREVOLT_ASSETS_DIR) + "/" + relative_path;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const Pixel& Bitmap::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) throw std::out_of_range("pixel outside bitmap");
  return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                static_cast<std::size_t>(x)];
}

bool Bitmap::IsCut(int x, int y) const {
  if (cut.empty()) return false;
  at(x, y);  // bounds check
  return cut[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
             static_cast<std::size_t>(x)];
}

BmpFile ParseBmpFile(const Bytes& bytes) {
  if (bytes.size() < kFileHeaderSize || bytes[0] != 'B' || bytes[1] != 'M')
    throw std::runtime_error("not a BMP file");
  BmpFile file;
  file.declared_size = U32(bytes, 2);
  file.pixel_offset = U32(bytes, 10);
  file.bitmap = ReadDib(bytes, kFileHeaderSize, file.pixel_offset, /*with_mask=*/false);
  return file;
}

IconFile ParseIconDirectory(const Bytes& bytes) {
  if (U16(bytes, 0) != 0) throw std::runtime_error("icon directory reserved word not 0");
  IconFile file;
  file.type = U16(bytes, 2);
  const unsigned count = U16(bytes, 4);
  for (unsigned i = 0; i < count; ++i) {
    const std::size_t at = 6 + 16 * static_cast<std::size_t>(i);
    IconDirEntry e;
    e.width = bytes.at(at) == 0 ? 256 : bytes.at(at);
    e.height = bytes.at(at + 1) == 0 ? 256 : bytes.at(at + 1);
    e.colour_count = bytes.at(at + 2);
    e.planes_or_hot_x = U16(bytes, at + 4);
    e.bit_count_or_hot_y = U16(bytes, at + 6);
    e.size = U32(bytes, at + 8);
    e.offset = U32(bytes, at + 12);
    file.entries.push_back(e);
  }
  return file;
}

Bitmap ParseIconImage(const Bytes& bytes, const IconDirEntry& entry) {
  if (static_cast<std::size_t>(entry.offset) + entry.size > bytes.size())
    throw std::out_of_range("icon image past end of file");
  const Bytes image(bytes.begin() + entry.offset, bytes.begin() + entry.offset + entry.size);
  return ReadDib(image, 0, 0, /*with_mask=*/true);
}

const std::vector<Pixel>& VgaPalette() {
  static const std::vector<Pixel> kPalette = {
      {0x00, 0x00, 0x00}, {0x80, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0x80, 0x80, 0x00},
      {0x00, 0x00, 0x80}, {0x80, 0x00, 0x80}, {0x00, 0x80, 0x80}, {0xC0, 0xC0, 0xC0},
      {0x80, 0x80, 0x80}, {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0xFF, 0xFF, 0x00},
      {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF},
  };
  return kPalette;
}

}  // namespace brevolt::test
