#pragma once
// The pointing-hand cursor shown over the Finish caption.
#include "tools/make_assets/image.h"
#include "tools/make_assets/windows_files.h"
#include "ui/hand_cursor.h"

namespace brevolt::assets {

inline constexpr int kHandCursorSide = ui::kHandCursorSide;
inline constexpr HotSpot kHandHotSpot{ui::kHandHotSpotX, ui::kHandHotSpotY};

// Black outline, white fill, transparent elsewhere: colours that survive a
// 16-colour palette unchanged. At `scale` each drawn pixel is a square of
// scale x scale, so the larger cursor stays as crisp; its hot spot is
// kHandHotSpot times the scale.
Image DrawHandCursor(int scale = 1);

}  // namespace brevolt::assets
