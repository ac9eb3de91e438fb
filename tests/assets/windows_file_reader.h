#pragma once
// An independent reader for the committed Windows picture files, so the
// tests check the bytes on disk rather than trusting the code that wrote
// them.
#include <cstdint>
#include <string>
#include <vector>

namespace brevolt::test {

using Bytes = std::vector<std::uint8_t>;

// A file under the source tree's assets/ directory.
Bytes ReadAssetFile(const std::string& relative_path);

struct Pixel {
  std::uint8_t r = 0, g = 0, b = 0, a = 255;
  friend bool operator==(const Pixel&, const Pixel&) = default;
};

struct BitmapHeader {
  std::int32_t width = 0;
  std::int32_t height = 0;  // as stored: negative means top-down
  unsigned planes = 0;
  unsigned bit_count = 0;
  std::uint32_t compression = 0;
};

// A decoded plain (.bmp) or icon (.ico/.cur) bitmap.
struct Bitmap {
  BitmapHeader header;
  int width = 0;
  int height = 0;
  std::vector<Pixel> palette;
  std::vector<Pixel> pixels;  // top row first; a = 255 unless 32-bit
  std::vector<bool> cut;      // icon AND mask, top row first; empty for .bmp

  const Pixel& at(int x, int y) const;
  bool IsCut(int x, int y) const;
};

struct BmpFile {
  std::uint32_t declared_size = 0;
  std::uint32_t pixel_offset = 0;
  Bitmap bitmap;
};

BmpFile ParseBmpFile(const Bytes& bytes);

struct IconDirEntry {
  int width = 0;
  int height = 0;
  int colour_count = 0;
  unsigned planes_or_hot_x = 0;     // icons: planes; cursors: hot spot x
  unsigned bit_count_or_hot_y = 0;  // icons: bit count; cursors: hot spot y
  std::uint32_t size = 0;
  std::uint32_t offset = 0;
};

struct IconFile {
  unsigned type = 0;  // 1 icon, 2 cursor
  std::vector<IconDirEntry> entries;
};

IconFile ParseIconDirectory(const Bytes& bytes);

// The image an entry points at: colour image and AND mask.
Bitmap ParseIconImage(const Bytes& bytes, const IconDirEntry& entry);

// The standard 16-colour VGA palette, Windows order.
const std::vector<Pixel>& VgaPalette();

}  // namespace brevolt::test
