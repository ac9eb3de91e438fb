#pragma once
// What the window draws with at one resolution: the panel picture drawn for
// it (or the nearest larger one shrunk to it), the fields' and the caption's
// fonts at their sizes in points, the hand cursor and the icons. Made again
// when the window moves to a screen of another resolution.
#include <windows.h>

namespace brevolt::ui::win32 {

class DpiResources {
 public:
  DpiResources(HINSTANCE instance, int dpi);
  ~DpiResources();
  DpiResources(const DpiResources&) = delete;
  DpiResources& operator=(const DpiResources&) = delete;

  int dpi() const { return dpi_; }
  HBITMAP panel() const { return panel_; }
  HFONT field_font() const { return field_font_; }
  HFONT caption_font() const { return caption_font_; }
  HCURSOR hand() const { return hand_; }
  // The window's icons at the caption's and the task switcher's sizes.
  HICON small_icon() const { return small_icon_; }
  HICON large_icon() const { return large_icon_; }

 private:
  int dpi_;
  HBITMAP panel_;
  HFONT field_font_;
  HFONT caption_font_;
  HCURSOR hand_;
  HICON small_icon_;
  HICON large_icon_;
};

}  // namespace brevolt::ui::win32
