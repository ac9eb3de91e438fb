#pragma once
// The panel picture as the program compiles it in, and how the offline face
// on the screen compares with it outside the controls laid over it.
#include <string>

#include "tests/e2e/common/screen_capture.h"

struct _GdkPixbuf;

namespace brevolt::test {

// Rectangles in client pixels, inclusive.
struct Box {
  int x0, y0, x1, y1;
  bool Holds(int x, int y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
};

// Where the fields and the caption may draw over the picture: the fields
// cover the white inside of the drawn frames, the caption the drawn
// button's face.
inline constexpr Box kNameField{206, 167, 416, 185};
inline constexpr Box kEmailField{206, 216, 416, 234};
inline constexpr Box kCaption{406, 328, 476, 344};

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
