#pragma once
// The window's fixed layout in twips, as the form was designed, and its
// conversion to pixels at 96 dots per inch.
#include <array>
#include <optional>
#include <string_view>

namespace brevolt::ui {

inline constexpr int kTwipsPerPixel = 15;

// Nearest whole pixel, halves away from zero, so that negative offsets clip
// the same amount as positive ones would.
constexpr int TwipsToPixels(int twips) {
  const int half = kTwipsPerPixel / 2;
  return twips >= 0 ? (twips + half) / kTwipsPerPixel : -((-twips + half) / kTwipsPerPixel);
}

inline constexpr int kClientWidthTwips = 7425;
inline constexpr int kClientHeightTwips = 5280;
inline constexpr int kClientWidth = TwipsToPixels(kClientWidthTwips);
inline constexpr int kClientHeight = TwipsToPixels(kClientHeightTwips);

enum class ControlId { txtEmail, txtName, Text1, WebBrowser1, lblFinish, imgFinish };

struct ControlLayout {
  ControlId id;
  std::string_view name;
  int left, top, width, height;  // twips, relative to the client area
  std::optional<int> tab_index;  // none: never takes the focus
  bool starts_visible;

  constexpr int x() const { return TwipsToPixels(left); }
  constexpr int y() const { return TwipsToPixels(top); }
  constexpr int cx() const { return TwipsToPixels(width); }
  constexpr int cy() const { return TwipsToPixels(height); }
};

// Front to back: the windowed controls first, then the caption, then the
// picture, so the caption's clicks never reach the picture.
inline constexpr std::array<ControlLayout, 6> kLayout{{
    {ControlId::txtEmail, "txtEmail", 3100, 3260, 3135, 275, 4, true},
    {ControlId::txtName, "txtName", 3100, 2520, 3135, 275, 3, true},
    {ControlId::Text1, "Text1", 9120, 2760, 8775, 375, 1, false},
    {ControlId::WebBrowser1, "WebBrowser1", -120, -280, 7935, 5655, 0, true},
    {ControlId::lblFinish, "lblFinish", 6090, 4920, 1060, 255, 2, true},
    {ControlId::imgFinish, "imgFinish", 0, 0, 7425, 5340, std::nullopt, true},
}};

constexpr const ControlLayout& LayoutOf(ControlId id) {
  for (const ControlLayout& c : kLayout) {
    if (c.id == id) return c;
  }
  return kLayout.front();  // unreachable: every id has a row
}

inline constexpr std::string_view kText1Initial = "Text1";
inline constexpr std::string_view kFinishCaption = "Finish";

}  // namespace brevolt::ui
