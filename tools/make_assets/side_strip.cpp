#include "tools/make_assets/side_strip.h"

#include <cmath>

namespace brevolt::assets {
namespace {

struct Colour {
  double r, g, b;
};

constexpr Colour kTop{0x14 / 255.0, 0x33 / 255.0, 0x5C / 255.0};
constexpr Colour kBottom{0x2B / 255.0, 0x6C / 255.0, 0xA3 / 255.0};
constexpr double kRingAlpha = 0.05;
constexpr double kRingWidth = 12;
constexpr double kFirstRingRadius = 70;
constexpr double kRingSpacing = 38;
constexpr int kRingCount = 5;
constexpr double kEnvelopeAlpha = 0.85;
constexpr double kEnvelopeWidth = 84;
constexpr double kEnvelopeHeight = 56;
constexpr double kEnvelopeCentreY = 0.36;  // share of the strip's height
constexpr double kEnvelopeLine = 2;

// A quiet mail motif echoing the application icon, in outline only.
void DrawEnvelopeOutline(cairo_t* cr, double cx, double cy) {
  const double left = std::round(cx - kEnvelopeWidth / 2) + 0.0;
  const double top = std::round(cy - kEnvelopeHeight / 2) + 0.0;
  const double right = left + kEnvelopeWidth;
  const double bottom = top + kEnvelopeHeight;
  cairo_set_source_rgba(cr, 1, 1, 1, kEnvelopeAlpha);
  cairo_set_line_width(cr, kEnvelopeLine);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_rectangle(cr, left, top, kEnvelopeWidth, kEnvelopeHeight);
  cairo_stroke(cr);
  cairo_move_to(cr, left, top);
  cairo_line_to(cr, cx, top + kEnvelopeHeight * 0.58);
  cairo_line_to(cr, right, top);
  cairo_stroke(cr);
  cairo_move_to(cr, left, bottom);
  cairo_line_to(cr, left + kEnvelopeWidth * 0.38, top + kEnvelopeHeight * 0.46);
  cairo_move_to(cr, right, bottom);
  cairo_line_to(cr, right - kEnvelopeWidth * 0.38, top + kEnvelopeHeight * 0.46);
  cairo_stroke(cr);
}

}  // namespace

void DrawSideStrip(cairo_t* cr, int width, int height) {
  cairo_save(cr);
  cairo_rectangle(cr, 0, 0, width, height);
  cairo_clip(cr);

  cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 0, height);
  cairo_pattern_add_color_stop_rgb(gradient, 0, kTop.r, kTop.g, kTop.b);
  cairo_pattern_add_color_stop_rgb(gradient, 1, kBottom.r, kBottom.g, kBottom.b);
  cairo_set_source(cr, gradient);
  cairo_paint(cr);
  cairo_pattern_destroy(gradient);

  // Faint rings rising from the lower left corner give the strip some depth
  // without drawing the eye away from the form.
  cairo_set_line_width(cr, kRingWidth);
  cairo_set_source_rgba(cr, 1, 1, 1, kRingAlpha);
  for (int i = 0; i < kRingCount; ++i) {
    cairo_arc(cr, 0, height, kFirstRingRadius + i * kRingSpacing, 0, 2 * M_PI);
    cairo_stroke(cr);
  }

  DrawEnvelopeOutline(cr, width / 2.0, std::round(height * kEnvelopeCentreY));
  cairo_restore(cr);
}

}  // namespace brevolt::assets
