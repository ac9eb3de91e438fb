#pragma once
// The pointing-hand cursor shown over the Finish caption.
#include "tools/make_assets/image.h"
#include "tools/make_assets/windows_files.h"

namespace brevolt::assets {

inline constexpr int kHandCursorSide = 32;
// The tip of the raised index finger.
inline constexpr HotSpot kHandHotSpot{12, 6};

// Black outline, white fill, transparent elsewhere: colours that survive a
// 16-colour palette unchanged.
Image DrawHandCursor();

}  // namespace brevolt::assets
