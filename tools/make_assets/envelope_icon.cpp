#include "tools/make_assets/envelope_icon.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace brevolt::assets {
namespace {

struct Colour {
  double r, g, b;
};

// Chosen near palette entries (white, silver, navy, red) so the 16-colour
// images keep the same picture as the true-colour ones.
constexpr Colour kPaperTop{1.00, 1.00, 1.00};
constexpr Colour kPaperBottom{0.86, 0.89, 0.93};
constexpr Colour kFlap{0.80, 0.83, 0.88};
constexpr Colour kInk{0.09, 0.16, 0.46};
constexpr Colour kSeal{0.80, 0.10, 0.10};

// Proportions of the side, so every size shares one drawing.
constexpr double kMarginShare = 1.0 / 16;
constexpr double kTopShare = 3.0 / 16;
constexpr double kBottomShare = 13.0 / 16;
constexpr double kFoldDepthShare = 0.58;  // of the envelope's height
constexpr double kSealShare = 0.11;       // radius, of the side
// Below this the seal and the lower folds only clutter the picture.
constexpr int kSmallestDetailedSide = 32;
constexpr double kLineWidthPerSide = 1.0 / 24;
// A soft shadow down and to the right lifts the envelope off any
// background; faint enough that the AND mask of the older images drops it.
constexpr double kShadowOffsetPerSide = 1.0 / 32;
constexpr double kShadowSpreadPerSide = 1.0 / 16;
constexpr double kShadowAlpha = 0.36;

void DrawShadow(cairo_t* cr, double left, double top, double right, double bottom, int side) {
  const double offset = std::max(1.0, std::round(side * kShadowOffsetPerSide));
  const int spread = std::max(1, static_cast<int>(std::round(side * kShadowSpreadPerSide)));
  // Nested rectangles, each a little fainter than the one inside it.
  for (int ring = spread; ring >= 1; --ring) {
    cairo_rectangle(cr, left + offset - ring + 1, top + offset - ring + 1,
                    right - left + 2 * (ring - 1), bottom - top + 2 * (ring - 1));
    cairo_set_source_rgba(cr, 0, 0, 0, kShadowAlpha / spread);
    cairo_fill(cr);
  }
}

void SetColour(cairo_t* cr, const Colour& c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

}  // namespace

Image DrawEnvelopeIcon(int side, IconFinish finish) {
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, side, side), cairo_surface_destroy);
  std::unique_ptr<cairo_t, decltype(&cairo_destroy)> context(cairo_create(surface.get()),
                                                             cairo_destroy);
  cairo_t* cr = context.get();
  const bool smooth = finish == IconFinish::kSmooth;
  if (!smooth) cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);

  // Whole-pixel line width and half-pixel placement keep the outline sharp
  // at every size instead of smearing over two pixel rows.
  const double line = std::max(1.0, std::floor(side * kLineWidthPerSide));
  const double inset = line / 2;
  const double left = std::round(side * kMarginShare) + inset;
  const double right = side - std::round(side * kMarginShare) - inset;
  const double top = std::round(side * kTopShare) + inset;
  const double bottom = std::round(side * kBottomShare) - inset;
  const double middle = side / 2.0;
  const double fold = top + std::round((bottom - top) * kFoldDepthShare);

  if (smooth) DrawShadow(cr, left - inset, top - inset, right + inset, bottom + inset, side);

  cairo_pattern_t* paper = cairo_pattern_create_linear(0, top, 0, bottom);
  cairo_pattern_add_color_stop_rgb(paper, 0, kPaperTop.r, kPaperTop.g, kPaperTop.b);
  const Colour& paper_bottom = smooth ? kPaperBottom : kPaperTop;
  cairo_pattern_add_color_stop_rgb(paper, 1, paper_bottom.r, paper_bottom.g, paper_bottom.b);
  cairo_rectangle(cr, left, top, right - left, bottom - top);
  cairo_set_source(cr, paper);
  cairo_fill(cr);
  cairo_pattern_destroy(paper);

  cairo_set_line_width(cr, line);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  SetColour(cr, kInk);
  const bool detailed = side >= kSmallestDetailedSide;
  if (detailed) {
    // The lower folds meeting under the flap.
    cairo_move_to(cr, left, bottom);
    cairo_line_to(cr, middle, fold - (bottom - top) * 0.12);
    cairo_line_to(cr, right, bottom);
    cairo_stroke(cr);
  }

  // The flap, shaded so the envelope reads as closed.
  cairo_move_to(cr, left, top);
  cairo_line_to(cr, middle, fold);
  cairo_line_to(cr, right, top);
  cairo_close_path(cr);
  SetColour(cr, kFlap);
  cairo_fill_preserve(cr);
  SetColour(cr, kInk);
  cairo_stroke(cr);

  cairo_rectangle(cr, left, top, right - left, bottom - top);
  cairo_stroke(cr);

  if (detailed) {
    const double radius = side * kSealShare;
    cairo_arc(cr, middle, fold, radius, 0, 2 * M_PI);
    SetColour(cr, kSeal);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, std::max(1.0, line / 2));
    SetColour(cr, kInk);
    cairo_stroke(cr);
  }

  return ImageFromSurface(surface.get());
}

}  // namespace brevolt::assets
