#include "tools/make_assets/png_file.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <stdexcept>
#include <vector>

namespace brevolt::assets {

void WritePngFile(const Image& image, const std::filesystem::path& path) {
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
  const gboolean saved = gdk_pixbuf_save(pixbuf, path.c_str(), "png", &error, nullptr);
  g_object_unref(pixbuf);
  if (!saved) {
    const std::string message = error->message;
    g_error_free(error);
    throw std::runtime_error("cannot write " + path.string() + ": " + message);
  }
}

}  // namespace brevolt::assets
