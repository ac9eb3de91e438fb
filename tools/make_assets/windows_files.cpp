#include "tools/make_assets/windows_files.h"

#include <stdexcept>

namespace brevolt::assets {
namespace {

constexpr int kBitmapFileHeaderSize = 14;
constexpr int kIconDirSize = 6;
constexpr int kIconDirEntrySize = 16;
constexpr int kLargestIconSide = 256;
constexpr unsigned kResourceTypeIcon = 1;
constexpr unsigned kResourceTypeCursor = 2;

// A directory entry's two 16-bit fields mean planes and bit count in an
// icon but the hot spot in a cursor.
struct EntryFields {
  unsigned colour_count;
  unsigned word1;
  unsigned word2;
};

unsigned DirectorySide(int side) {
  if (side <= 0 || side > kLargestIconSide) throw std::invalid_argument("icon side out of range");
  return side == kLargestIconSide ? 0 : static_cast<unsigned>(side);  // 0 stands for 256
}

Bytes EncodeDirectory(unsigned type, const std::vector<IconEntry>& entries,
                      const std::vector<EntryFields>& fields) {
  Bytes header;
  PutU16(header, 0);
  PutU16(header, type);
  PutU16(header, static_cast<unsigned>(entries.size()));

  Bytes images;
  const auto first_image =
      static_cast<std::uint32_t>(kIconDirSize + kIconDirEntrySize * entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Image& image = *entries[i].image;
    const Bytes dib = entries[i].png ? *entries[i].png : EncodeIconDib(image, entries[i].depth);
    PutU8(header, DirectorySide(image.width()));
    PutU8(header, DirectorySide(image.height()));
    PutU8(header, fields[i].colour_count);
    PutU8(header, 0);
    PutU16(header, fields[i].word1);
    PutU16(header, fields[i].word2);
    PutU32(header, static_cast<std::uint32_t>(dib.size()));
    PutU32(header, first_image + static_cast<std::uint32_t>(images.size()));
    images.insert(images.end(), dib.begin(), dib.end());
  }
  header.insert(header.end(), images.begin(), images.end());
  return header;
}

unsigned PaletteSize(DibDepth depth) { return depth == DibDepth::kPalette4 ? 16 : 0; }

}  // namespace

Bytes EncodeBmpFile(const Image& image) {
  const Bytes dib = EncodeBitmapDib(image, DibDepth::kRgb24);
  Bytes out;
  PutU8(out, 'B');
  PutU8(out, 'M');
  PutU32(out, static_cast<std::uint32_t>(kBitmapFileHeaderSize + dib.size()));
  PutU32(out, 0);  // reserved
  PutU32(out, kBitmapFileHeaderSize + kBitmapInfoHeaderSize);  // no palette at 24 bits
  out.insert(out.end(), dib.begin(), dib.end());
  return out;
}

Bytes EncodeIcoFile(const std::vector<IconEntry>& entries) {
  std::vector<EntryFields> fields;
  for (const IconEntry& e : entries)
    fields.push_back({PaletteSize(e.depth), 1, static_cast<unsigned>(e.depth)});
  return EncodeDirectory(kResourceTypeIcon, entries, fields);
}

Bytes EncodeCurFile(const Image& image, DibDepth depth, HotSpot hot_spot) {
  if (hot_spot.x < 0 || hot_spot.y < 0 || hot_spot.x >= image.width() ||
      hot_spot.y >= image.height())
    throw std::invalid_argument("hot spot outside the cursor");
  return EncodeDirectory(kResourceTypeCursor, {{&image, depth}},
                         {{PaletteSize(depth), static_cast<unsigned>(hot_spot.x),
                           static_cast<unsigned>(hot_spot.y)}});
}

}  // namespace brevolt::assets
