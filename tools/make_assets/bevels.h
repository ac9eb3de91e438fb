#pragma once
// Classic two-pixel 3D edges, drawn pixel-exact on a cairo context.
#include <cairo.h>

#include "tools/make_assets/panel_layout.h"
#include "ui/panel_picture.h"

namespace brevolt::assets {

struct Shade {
  double r, g, b;
};

inline constexpr Shade kDialogGrey{ui::kButtonFace.r / 255.0, ui::kButtonFace.g / 255.0,
                                   ui::kButtonFace.b / 255.0};
inline constexpr Shade kEdgeShadow{0x80 / 255.0, 0x80 / 255.0, 0x80 / 255.0};
inline constexpr Shade kEdgeDarkShadow{0x40 / 255.0, 0x40 / 255.0, 0x40 / 255.0};
inline constexpr Shade kEdgeLight{0xD4 / 255.0, 0xD0 / 255.0, 0xC8 / 255.0};
inline constexpr Shade kEdgeHighlight{1.0, 1.0, 1.0};
inline constexpr Shade kWhite{1.0, 1.0, 1.0};

void FillBox(cairo_t* cr, const PixelBox& box, const Shade& shade);

// A text field's well: shadow and dark shadow on the top and left, light
// and highlight on the bottom and right, white inside the two lines.
void DrawSunkenField(cairo_t* cr, const PixelBox& outer);

// A push button standing out of the surface, its face in dialog grey.
void DrawRaisedButton(cairo_t* cr, const PixelBox& outer);

}  // namespace brevolt::assets
