#pragma once
// The decorative strip down the panel's left side.
#include <cairo.h>

namespace brevolt::assets {

// Paints the strip into x 0 .. width-1, y 0 .. height-1.
void DrawSideStrip(cairo_t* cr, int width, int height);

}  // namespace brevolt::assets
