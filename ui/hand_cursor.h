#pragma once
// The pointing hand shown over the Finish caption: the asset generator draws
// it to these measures and writes the hot spot into the cursor file, which
// both programs load it from.
namespace brevolt::ui {

inline constexpr int kHandCursorSide = 32;
// The tip of the raised index finger, from the image's top left corner.
inline constexpr int kHandHotSpotX = 12;
inline constexpr int kHandHotSpotY = 6;

}  // namespace brevolt::ui
