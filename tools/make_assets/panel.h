#pragma once
// The offline sign-up panel: decorative strip, invitation text, the Name
// and Email field frames and the empty Finish button.
#include "tools/make_assets/image.h"

namespace brevolt::assets {

// Opaque, kPanelWidth x kPanelHeight.
Image DrawPanel();

}  // namespace brevolt::assets
