#pragma once
// Where things sit in the sign-up panel picture. The program lays its entry
// fields and the Finish caption over the two frames and the button, so those
// three rectangles are fixed; the rest is free to change.
#include "ui/panel_picture.h"

namespace brevolt::assets {

using ui::PixelBox;

inline constexpr int kPanelWidth = 495;
inline constexpr int kPanelHeight = 356;

using ui::kEmailFrame;
using ui::kFinishButton;
using ui::kNameFrame;

// The grey band the button stands on, from its top edge down.
inline constexpr int kButtonBandTop = 305;
// The decorative strip spans the picture above the band.
inline constexpr int kStripWidth = 164;
// Left edge of every text in the white area; the frames start here too.
inline constexpr int kTextLeft = kNameFrame.left;
inline constexpr int kTextRight = kFinishButton.right;

}  // namespace brevolt::assets
