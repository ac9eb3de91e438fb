#include "tools/make_assets/bevels.h"

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
  cairo_set_source_rgb(cr, shade.r, shade.g, shade.b);
  cairo_rectangle(cr, box.left, box.top, box.right - box.left + 1, box.bottom - box.top + 1);
  cairo_fill(cr);
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
