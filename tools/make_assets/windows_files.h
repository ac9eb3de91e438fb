#pragma once
// Whole Windows picture files: .bmp, .ico and .cur.
#include <vector>

#include "tools/make_assets/dib.h"

namespace brevolt::assets {

// An opaque 24-bit .bmp; alpha is ignored.
Bytes EncodeBmpFile(const Image& image);

struct IconEntry {
  const Image* image;
  DibDepth depth;
  // When set, the image is stored as this PNG of it rather than as a
  // bitmap: how Windows (Vista and later) takes its 256-pixel frame.
  const Bytes* png = nullptr;
};

// A .ico holding the entries in the order given. Images larger than 256
// pixels cannot be described by the directory and are refused.
Bytes EncodeIcoFile(const std::vector<IconEntry>& entries);

struct HotSpot {
  int x;
  int y;
};

// A .cur with a single image whose hot spot lies inside it.
Bytes EncodeCurFile(const Image& image, DibDepth depth, HotSpot hot_spot);

}  // namespace brevolt::assets
