#include "tests/a11y/offline_face.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <stdexcept>

#include "ui/layout.h"

namespace brevolt::test {

OfflineFace::OfflineFace(XSession::Wm wm, std::vector<std::string> env) {
  session_ = std::make_unique<XSession>(wm);
  x_ = std::make_unique<XQuery>(session_->display());
  BrevoltOptions options;
  options.env = std::move(env);
  program_ = std::make_unique<Brevolt>(scratch_.path() / "private", std::move(options));
  window_ = program_->WaitForWindow(*x_, kFaceTimeout);
  if (window_ == 0) throw std::runtime_error("the program's window never showed");
}

bool OfflineFace::Focus() {
  x_->Activate(window_);
  return WaitUntil([&] { return x_->ActiveWindow() == window_; }, kFaceTimeout);
}

Screenshot LoadAsset(const std::string& name) {
  GError* error = nullptr;
  GdkPixbuf* pixbuf =
      gdk_pixbuf_new_from_file((std::string(BREVOLT_ASSETS_DIR) + "/" + name).c_str(), &error);
  if (pixbuf == nullptr) {
    const std::string message = error->message;
    g_error_free(error);
    throw std::runtime_error(message);
  }
  const int width = gdk_pixbuf_get_width(pixbuf);
  const int height = gdk_pixbuf_get_height(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const guchar* data = gdk_pixbuf_read_pixels(pixbuf);
  std::vector<Rgb> pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const guchar* p = data + y * stride + x * channels;
      pixels.push_back({p[0], p[1], p[2]});
    }
  }
  g_object_unref(pixbuf);
  return Screenshot(width, height, std::move(pixels));
}

int DifferingPixels(const Screenshot& shown, const Screenshot& picture, int scale,
                    const std::vector<ui::PixelBox>& except) {
  int differing = 0;
  for (int y = 0; y < shown.height() && y < picture.height(); ++y) {
    for (int x = 0; x < shown.width() && x < picture.width(); ++x) {
      bool excepted = false;
      for (const ui::PixelBox& box : except) {
        excepted = excepted || (x >= box.left * scale && x < (box.right + 1) * scale &&
                                y >= box.top * scale && y < (box.bottom + 1) * scale);
      }
      if (!excepted && !(shown.At(x, y) == picture.At(x, y))) ++differing;
    }
  }
  return differing;
}

ui::PixelBox BoxOf(ui::ControlId control) {
  const ui::ControlLayout& c = ui::LayoutOf(control);
  return {c.x(), c.y(), c.x() + c.cx() - 1, c.y() + c.cy() - 1};
}

}  // namespace brevolt::test
