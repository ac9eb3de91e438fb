#include "ui/win32/caption_colour.h"

#include <algorithm>
#include <cmath>

namespace brevolt::ui::win32 {
namespace {

double Linear(int channel) {
  const double c = channel / 255.0;
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(COLORREF colour) {
  return 0.2126 * Linear(GetRValue(colour)) + 0.7152 * Linear(GetGValue(colour)) +
         0.0722 * Linear(GetBValue(colour));
}

}  // namespace

double ContrastRatio(COLORREF a, COLORREF b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

COLORREF CaptionColour(COLORREF window_text, COLORREF button_face) {
  return ContrastRatio(window_text, button_face) >= kLeastContrast ? window_text
                                                                   : kPanelTextColour;
}

FieldColours FieldColoursFor(COLORREF window_text, COLORREF window) {
  if (ContrastRatio(window_text, window) >= kLeastContrast) return {window_text, window, true};
  return kPictureFieldColours;
}

}  // namespace brevolt::ui::win32
