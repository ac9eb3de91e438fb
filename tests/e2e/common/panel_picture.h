#pragma once
// The panel picture as the program compiles it in, and how the offline face
// on the screen compares with it outside the controls laid over it.
#include <string>

#include "tests/e2e/common/screen_capture.h"
#include "tests/harness/control_boxes.h"
#include "ui/scaling.h"

struct _GdkPixbuf;

namespace brevolt::test {

// Rectangles in client pixels, inclusive.
struct Box {
  int x0, y0, x1, y1;
  bool Holds(int x, int y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
};

constexpr Box ToBox(const ui::PixelBox& box) { return {box.left, box.top, box.right, box.bottom}; }

// Where the fields and the caption may draw over the picture: the fields
// only the white inside of the drawn frames, so that each frame's four edges
// show; the caption its place, rounded out.
inline constexpr Box kNameField = ToBox(ui::WhiteInside(ui::kNameFrame));
inline constexpr Box kEmailField = ToBox(ui::WhiteInside(ui::kEmailFrame));
inline constexpr Box kCaption = ToBox(CoveredBy(ui::ControlId::lblFinish));

// A box of the picture as the picture drawn for `dpi` shows it.
constexpr Box BoxAt(const Box& b, int dpi) {
  const ui::ScaledRect r = ui::BoxAt({b.x0, b.y0, b.x1, b.y1}, dpi);
  return {r.left, r.top, r.right - 1, r.bottom - 1};
}

class PanelPicture {
 public:
  // The picture the Windows program compiles in for `dpi` (96, 144 or 192).
  explicit PanelPicture(int dpi = ui::kDesignDpi);
  ~PanelPicture();
  PanelPicture(const PanelPicture&) = delete;
  PanelPicture& operator=(const PanelPicture&) = delete;

  bool loaded() const { return pixbuf_ != nullptr; }
  const std::string& message() const { return message_; }
  int width() const;
  int height() const;
  Rgb At(int x, int y) const;

 private:
  _GdkPixbuf* pixbuf_ = nullptr;
  std::string message_;
};

// Pixels outside the controls' boxes that differ from the picture; the
// first one described in `first`. At other than 96 dpi the boxes grow with
// the picture drawn for it.
int PictureMismatches(const Screenshot& shot, const PanelPicture& picture, std::string* first,
                      int dpi = ui::kDesignDpi);

}  // namespace brevolt::test
