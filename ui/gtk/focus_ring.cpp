#include "ui/gtk/focus_ring.h"

#include <gtkmm/stylecontext.h>

namespace brevolt::ui {
namespace {

// Themes name their focus and selection colour this; used where one doesn't.
constexpr const char* kFocusColourName = "theme_selected_bg_color";
constexpr const char* kFallbackFocusColour = "#3584E4";

}  // namespace

Gdk::RGBA FocusColour(Gtk::Widget& widget) {
  Gdk::RGBA colour;
  if (!widget.get_style_context()->lookup_color(kFocusColourName, colour)) {
    colour.set(kFallbackFocusColour);
  }
  colour.set_alpha(1.0);  // blended, the ring's pixels would depend on what lies under it
  return colour;
}

void DrawFocusRing(const Cairo::RefPtr<Cairo::Context>& cr, const PixelBox& frame,
                   const Gdk::RGBA& colour) {
  // The stroke is centred on its path: half a ring's width out from the
  // ring's inner edge puts it on whole pixels.
  const double half = kFocusRingWidth / 2.0;
  const double inner_left = frame.left - kFocusRingGap;
  const double inner_top = frame.top - kFocusRingGap;
  const double inner_right = frame.right + 1 + kFocusRingGap;
  const double inner_bottom = frame.bottom + 1 + kFocusRingGap;
  cr->save();
  cr->set_antialias(Cairo::ANTIALIAS_NONE);
  cr->set_source_rgb(colour.get_red(), colour.get_green(), colour.get_blue());
  cr->set_line_width(kFocusRingWidth);
  cr->rectangle(inner_left - half, inner_top - half, inner_right - inner_left + kFocusRingWidth,
                inner_bottom - inner_top + kFocusRingWidth);
  cr->stroke();
  cr->restore();
}

}  // namespace brevolt::ui
