#pragma once
// Colours that stay readable whatever colour scheme the user runs: the
// Finish caption's on the drawn button, and the entry fields' text on their
// background.
#include <windows.h>

namespace brevolt::ui::win32 {

// The panel's own body text, dark on every face the button is drawn with.
inline constexpr COLORREF kPanelTextColour = RGB(0x21, 0x21, 0x21);
// WCAG's least contrast for normal text.
inline constexpr double kLeastContrast = 4.5;

double ContrastRatio(COLORREF a, COLORREF b);
// The system's window-text colour, unless it is hard to read on the button.
COLORREF CaptionColour(COLORREF window_text, COLORREF button_face);

// The fields' text on their background: always a pair that belongs
// together, the system's window text on its window colour where those read
// well, else the picture's own black on white. Never one of each, which a
// dark scheme would turn into black on black.
struct FieldColours {
  COLORREF text;
  COLORREF background;
  bool system;  // the system's pair
  friend bool operator==(const FieldColours&, const FieldColours&) = default;
};
inline constexpr FieldColours kPictureFieldColours{RGB(0, 0, 0), RGB(0xFF, 0xFF, 0xFF), false};
FieldColours FieldColoursFor(COLORREF window_text, COLORREF window);

}  // namespace brevolt::ui::win32
