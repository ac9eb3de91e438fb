#pragma once
// The offline sign-up panel: decorative strip, invitation text, the Name
// and Email field frames and the empty Finish button.
#include "tools/make_assets/image.h"

namespace brevolt::assets {

// Opaque, kPanelWidth x kPanelHeight at `dpi` (96 is the design size), the
// same layout for a screen of that resolution.
Image DrawPanel(int dpi);

}  // namespace brevolt::assets
