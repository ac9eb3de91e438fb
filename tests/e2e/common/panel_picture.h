#pragma once
// The panel picture as the program compiles it in, and how the offline face
// on the screen compares with it outside the controls laid over it.
#include <string>

#include "tests/e2e/common/screen_capture.h"
#include "tests/harness/control_boxes.h"

struct _GdkPixbuf;

namespace brevolt::test {

// Rectangles in client pixels, inclusive.
struct Box {
  int x0, y0, x1, y1;
  bool Holds(int x, int y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
};

constexpr Box ToBox(const ui::PixelBox& box) { return {box.left, box.top, box.right, box.bottom}; }

// Where the fields and the caption may draw over the picture.
inline constexpr Box kNameField = ToBox(CoveredBy(ui::ControlId::txtName));
inline constexpr Box kEmailField = ToBox(CoveredBy(ui::ControlId::txtEmail));
inline constexpr Box kCaption = ToBox(CoveredBy(ui::ControlId::lblFinish));

class PanelPicture {
 public:
  PanelPicture();
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
// first one described in `first`.
int PictureMismatches(const Screenshot& shot, const PanelPicture& picture, std::string* first);

}  // namespace brevolt::test
