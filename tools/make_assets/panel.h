#pragma once
// The offline sign-up panel: decorative strip, invitation text, the Name
// and Email field frames and the empty Finish button.
#include "tools/make_assets/image.h"

namespace brevolt::assets {

// Opaque, kPanelWidth x kPanelHeight times `scale`: the same layout for a
// screen with `scale` device pixels to each pixel of the window's layout.
Image DrawPanel(int scale);

}  // namespace brevolt::assets
