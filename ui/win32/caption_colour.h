#pragma once
// The Finish caption's colour: the system's window-text colour, unless the
// user's colour scheme makes it hard to read on the drawn button.
#include <windows.h>

namespace brevolt::ui::win32 {

// The panel's own body text, dark on every face the button is drawn with.
inline constexpr COLORREF kPanelTextColour = RGB(0x21, 0x21, 0x21);
// WCAG's least contrast for normal text.
inline constexpr double kLeastContrast = 4.5;

double ContrastRatio(COLORREF a, COLORREF b);
COLORREF CaptionColour(COLORREF window_text, COLORREF button_face);

}  // namespace brevolt::ui::win32
