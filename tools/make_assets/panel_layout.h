#pragma once
// Where things sit in the sign-up panel picture. The program lays its entry
// fields and the Finish caption over the two frames and the button, so those
// three rectangles are fixed; the rest is free to change.
namespace brevolt::assets {

// Inclusive pixel rectangle.
struct PixelBox {
  int left;
  int top;
  int right;
  int bottom;
};

inline constexpr int kPanelWidth = 495;
inline constexpr int kPanelHeight = 356;

inline constexpr PixelBox kNameFrame{204, 165, 417, 185};
inline constexpr PixelBox kEmailFrame{204, 214, 417, 234};
inline constexpr PixelBox kFinishButton{404, 323, 477, 345};

// The grey band the button stands on, from its top edge down.
inline constexpr int kButtonBandTop = 305;
// The decorative strip spans the picture above the band.
inline constexpr int kStripWidth = 164;
// Left edge of every text in the white area; the frames start here too.
inline constexpr int kTextLeft = kNameFrame.left;
inline constexpr int kTextRight = kFinishButton.right;

}  // namespace brevolt::assets
