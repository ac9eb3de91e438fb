#include "tools/make_assets/png_file.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <fstream>
#include <stdexcept>
#include <vector>

namespace brevolt::assets {

Bytes EncodePng(const Image& image) {
  constexpr int kChannels = 4;
  const int stride = image.width() * kChannels;
  std::vector<guchar> pixels;
  pixels.reserve(static_cast<std::size_t>(stride) * static_cast<std::size_t>(image.height()));
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const Rgba& p = image.at(x, y);
      pixels.insert(pixels.end(), {p.r, p.g, p.b, p.a});
    }
  }
  GdkPixbuf* pixbuf = gdk_pixbuf_new_from_data(pixels.data(), GDK_COLORSPACE_RGB, TRUE, 8,
                                               image.width(), image.height(), stride, nullptr,
                                               nullptr);
  GError* error = nullptr;
  gchar* buffer = nullptr;
  gsize size = 0;
  const gboolean saved =
      gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "png", &error, nullptr);
  g_object_unref(pixbuf);
  if (!saved) {
    const std::string message = error->message;
    g_error_free(error);
    throw std::runtime_error("cannot encode a PNG: " + message);
  }
  Bytes png(reinterpret_cast<const std::uint8_t*>(buffer),
            reinterpret_cast<const std::uint8_t*>(buffer) + size);
  g_free(buffer);
  return png;
}

void WritePngFile(const Image& image, const std::filesystem::path& path) {
  const Bytes png = EncodePng(image);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace brevolt::assets
