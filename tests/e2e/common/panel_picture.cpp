#include "tests/e2e/common/panel_picture.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <sstream>

#include "ui/panel_picture.h"

namespace brevolt::test {

PanelPicture::PanelPicture(int dpi) {
  GError* error = nullptr;
  const std::string file = dpi == 144   ? BREVOLT_ASSETS_DIR "/panel@1.5x.bmp"
                           : dpi == 192 ? BREVOLT_ASSETS_DIR "/panel@2x.bmp"
                                        : BREVOLT_PANEL_PICTURE;
  pixbuf_ = gdk_pixbuf_new_from_file(file.c_str(), &error);
  if (pixbuf_ == nullptr) {
    message_ = error != nullptr ? error->message : "unknown error";
    if (error != nullptr) g_error_free(error);
  }
}

PanelPicture::~PanelPicture() {
  if (pixbuf_ != nullptr) g_object_unref(pixbuf_);
}

int PanelPicture::width() const { return gdk_pixbuf_get_width(pixbuf_); }
int PanelPicture::height() const { return gdk_pixbuf_get_height(pixbuf_); }

Rgb PanelPicture::At(int x, int y) const {
  const guchar* p = gdk_pixbuf_read_pixels(pixbuf_) + y * gdk_pixbuf_get_rowstride(pixbuf_) +
                    x * gdk_pixbuf_get_n_channels(pixbuf_);
  return {p[0], p[1], p[2]};
}

namespace {

// The ring the Linux program draws around the focused field's frame.
bool OnFocusRing(int x, int y) {
  for (const ui::PixelBox& frame : {ui::kNameFrame, ui::kEmailFrame}) {
    const int gap = ui::kFocusRingGap;
    const int outer = gap + ui::kFocusRingWidth;
    const Box around{frame.left - outer, frame.top - outer, frame.right + outer,
                     frame.bottom + outer};
    const Box within{frame.left - gap, frame.top - gap, frame.right + gap, frame.bottom + gap};
    if (around.Holds(x, y) && !within.Holds(x, y)) return true;
  }
  return false;
}

bool OverlaidByControl(int x, int y, int dpi) {
  if (dpi == ui::kDesignDpi && OnFocusRing(x, y)) return true;
  for (const Box& box : {kNameField, kEmailField, kCaption}) {
    if (BoxAt(box, dpi).Holds(x, y)) return true;
  }
  return false;
}

}  // namespace

int PictureMismatches(const Screenshot& shot, const PanelPicture& picture, std::string* first,
                      int dpi) {
  int count = 0;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      if (OverlaidByControl(x, y, dpi) || shot.At(x, y) == picture.At(x, y)) continue;
      if (count++ == 0 && first != nullptr) {
        std::ostringstream where;
        where << "(" << x << "," << y << ") shows " << shot.At(x, y) << ", the picture "
              << picture.At(x, y);
        *first = where.str();
      }
    }
  }
  return count;
}

}  // namespace brevolt::test
