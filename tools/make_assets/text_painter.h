#pragma once
// Pango text on a cairo context with fixed resolution and font options, so
// the picture comes out the same whatever the desktop's font settings are.
#include <cairo.h>
#include <pango/pangocairo.h>

#include <string>

namespace brevolt::assets {

class TextPainter {
 public:
  explicit TextPainter(cairo_t* cr);
  ~TextPainter();
  TextPainter(const TextPainter&) = delete;
  TextPainter& operator=(const TextPainter&) = delete;

  struct Style {
    const char* font;  // a Pango font description, e.g. "DejaVu Sans 8.5"
    double r, g, b;
    int wrap_width;  // pixels; 0 for a single unwrapped line
  };

  // Draws Pango markup with its top-left corner at (x, y) and returns the
  // height of the text in pixels.
  int Draw(double x, double y, const std::string& markup, const Style& style);

  // Height in pixels the markup would take, without drawing it.
  int Measure(const std::string& markup, const Style& style);

 private:
  PangoLayout* Layout(const std::string& markup, const Style& style);

  cairo_t* cr_;
  PangoContext* context_;
};

}  // namespace brevolt::assets
