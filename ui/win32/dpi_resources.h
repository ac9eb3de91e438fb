#pragma once
// What the window draws with at one resolution: the panel picture drawn for
// it (or the nearest larger one shrunk to it), the fields' and the caption's
// fonts at their sizes in points, and the hand cursor. Made again when the
// window moves to a screen of another resolution.
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

 private:
  int dpi_;
  HBITMAP panel_;
  HFONT field_font_;
  HFONT caption_font_;
  HCURSOR hand_;
};

}  // namespace brevolt::ui::win32
