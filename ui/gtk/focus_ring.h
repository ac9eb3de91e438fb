#pragma once
// The sign that a field has the keyboard: the fields are borderless over the
// frames drawn in the picture, so a ring is drawn around the focused field's
// frame, on the picture, leaving every other pixel of it as it is.
#include <cairomm/context.h>
#include <gtkmm/widget.h>

#include "ui/panel_picture.h"

namespace brevolt::ui {

// The theme's colour for focus, as `widget`'s style sees it.
Gdk::RGBA FocusColour(Gtk::Widget& widget);

// Draws the ring around `frame`, in the picture's pixels.
void DrawFocusRing(const Cairo::RefPtr<Cairo::Context>& cr, const PixelBox& frame,
                   const Gdk::RGBA& colour);

}  // namespace brevolt::ui
