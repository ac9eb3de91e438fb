#pragma once
// A plain, straight-alpha RGBA raster: the one form every encoder reads, so
// that cairo's premultiplied layout stays a drawing detail.
#include <cairo.h>

#include <cstdint>
#include <vector>

namespace brevolt::assets {

struct Rgba {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  std::uint8_t a = 0;
  friend bool operator==(const Rgba&, const Rgba&) = default;
};

class Image {
 public:
  Image(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }
  const Rgba& at(int x, int y) const { return pixels_[Index(x, y)]; }
  Rgba& at(int x, int y) { return pixels_[Index(x, y)]; }

 private:
  std::size_t Index(int x, int y) const;

  int width_;
  int height_;
  std::vector<Rgba> pixels_;
};

// Copies a finished CAIRO_FORMAT_ARGB32 or CAIRO_FORMAT_RGB24 surface,
// undoing the premultiplication.
Image ImageFromSurface(cairo_surface_t* surface);

}  // namespace brevolt::assets
