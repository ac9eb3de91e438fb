#include "tools/make_assets/image.h"

#include <stdexcept>

namespace brevolt::assets {

Image::Image(int width, int height)
    : width_(width), height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
  if (width <= 0 || height <= 0) throw std::invalid_argument("empty image");
}

std::size_t Image::Index(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) throw std::out_of_range("pixel outside image");
  return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
         static_cast<std::size_t>(x);
}

namespace {

std::uint8_t Unpremultiply(std::uint32_t channel, std::uint32_t alpha) {
  if (alpha == 0) return 0;
  return static_cast<std::uint8_t>((channel * 255 + alpha / 2) / alpha);
}

}  // namespace

Image ImageFromSurface(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  const cairo_format_t format = cairo_image_surface_get_format(surface);
  if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24)
    throw std::invalid_argument("unsupported surface format");
  const bool has_alpha = format == CAIRO_FORMAT_ARGB32;
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);

  Image image(width, height);
  for (int y = 0; y < height; ++y) {
    // Cairo stores each pixel as one native-endian 32-bit word.
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t word = row[x];
      const std::uint32_t alpha = has_alpha ? (word >> 24) & 0xFF : 0xFF;
      Rgba& out = image.at(x, y);
      out.r = Unpremultiply((word >> 16) & 0xFF, alpha);
      out.g = Unpremultiply((word >> 8) & 0xFF, alpha);
      out.b = Unpremultiply(word & 0xFF, alpha);
      out.a = static_cast<std::uint8_t>(alpha);
    }
  }
  return image;
}

}  // namespace brevolt::assets
