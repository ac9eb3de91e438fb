#include "tools/make_assets/bevels.h"

#include <cmath>

namespace brevolt::assets {
namespace {

PixelBox Shrink(const PixelBox& box) {
  return {box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
}

// One ring of an edge: the top and left lines in one shade, then the bottom
// and right in the other, which take the two corners they share.
void DrawRing(cairo_t* cr, const PixelBox& box, const Shade& top_left, const Shade& bottom_right) {
  FillBox(cr, {box.left, box.top, box.right - 1, box.top}, top_left);
  FillBox(cr, {box.left, box.top, box.left, box.bottom - 1}, top_left);
  FillBox(cr, {box.left, box.bottom, box.right, box.bottom}, bottom_right);
  FillBox(cr, {box.right, box.top, box.right, box.bottom}, bottom_right);
}

}  // namespace

void FillBox(cairo_t* cr, const PixelBox& box, const Shade& shade) {
  // Edges land on whole device pixels at any scale, so a line one pixel
  // wide at 1x is one or two whole pixels at 1.5x, never a blur across three.
  double left = box.left, top = box.top, right = box.right + 1, bottom = box.bottom + 1;
  cairo_user_to_device(cr, &left, &top);
  cairo_user_to_device(cr, &right, &bottom);
  cairo_save(cr);
  cairo_identity_matrix(cr);
  cairo_set_source_rgb(cr, shade.r, shade.g, shade.b);
  cairo_rectangle(cr, std::round(left), std::round(top), std::round(right) - std::round(left),
                  std::round(bottom) - std::round(top));
  cairo_fill(cr);
  cairo_restore(cr);
}

void DrawSunkenField(cairo_t* cr, const PixelBox& outer) {
  const PixelBox inner = Shrink(outer);
  FillBox(cr, Shrink(inner), kWhite);
  DrawRing(cr, outer, kEdgeShadow, kEdgeHighlight);
  DrawRing(cr, inner, kEdgeDarkShadow, kEdgeLight);
}

void DrawRaisedButton(cairo_t* cr, const PixelBox& outer) {
  const PixelBox inner = Shrink(outer);
  FillBox(cr, Shrink(inner), kDialogGrey);
  DrawRing(cr, outer, kEdgeHighlight, kEdgeDarkShadow);
  DrawRing(cr, inner, kEdgeLight, kEdgeShadow);
}

}  // namespace brevolt::assets
